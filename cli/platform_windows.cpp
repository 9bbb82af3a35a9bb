// platform_windows.cpp - kx418ctl's texts for Windows' HID device paths.
#include "platform.h"

// Windows refuses a HID device to a user program when another program
// holds it exclusively, or when it keeps the device for itself (keyboards,
// mice); a user's rights play no part for a USB HID module.
const char* Access_Remedy()
{
    return "another program holds it exclusively, or Windows keeps it for itself "
           "(keyboards, mice): end that program, or re-plug the module";
}

const char* Example_Device_Path()
{
    return "\\\\?\\hid#vid_2b5d&pid_0418#...";
}
