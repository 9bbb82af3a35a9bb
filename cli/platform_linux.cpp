// platform_linux.cpp - kx418ctl's texts for hidraw nodes and udev.
#include "platform.h"

const char* Access_Remedy()
{
    return "install the kx418 package, whose udev rule 70-kx418.rules gives the "
           "user at the desk access, then re-plug the module; for users not at the "
           "desk (ssh, services) add a udev rule with MODE=\"0660\", GROUP=\"plugdev\" "
           "and put them in group plugdev";
}

const char* Example_Device_Path()
{
    return "/dev/hidraw3";
}
