// platform.h - what kx418ctl tells the user that depends on the platform:
// one backend file each (platform_linux.cpp, platform_windows.cpp).
#ifndef KX418CTL_PLATFORM_H
#define KX418CTL_PLATFORM_H

// What to do when this user may not open a device (access denied).
const char* Access_Remedy();

// A device path as the platform's walk gives it, for --help.
const char* Example_Device_Path();

#endif  // KX418CTL_PLATFORM_H
