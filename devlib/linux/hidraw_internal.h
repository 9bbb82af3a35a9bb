// hidraw_internal.h - parts of the hidraw backend that its tests reach.
// Not part of the library's interface.
#ifndef KX418_HIDRAW_INTERNAL_H
#define KX418_HIDRAW_INTERNAL_H

#include <linux/hidraw.h>

#include <string>

#include "hid_backend.h"

// The folder whose hidraw<N> nodes the walk lists; "/dev" unless a test
// points it elsewhere (a folder of virtual nodes, say).
void Hidraw_Set_Device_Folder(std::string folder);

// The attributes of a HIDIOCGRAWINFO record. The kernel declares vendor and
// product signed 16-bit; the IDs are unsigned 16-bit.
Hid_Attributes Hidraw_Attributes_From_Info(const hidraw_devinfo& info);

#endif  // KX418_HIDRAW_INTERNAL_H
