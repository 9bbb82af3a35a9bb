// hid_win32_internal.h - parts of the Windows backend that its tests reach.
// Not part of the library's interface.
#ifndef KX418_HID_WIN32_INTERNAL_H
#define KX418_HID_WIN32_INTERNAL_H

#include <string>

#include "hid_backend.h"

// The name of the mutex that locks the device at `path`.
std::string Win32_Lock_Name(const char* path);

// True while a read started on this record may still complete and write
// into its buffer.
bool Win32_Read_In_Flight(const Hid_Overlapped& overlapped);

#endif  // KX418_HID_WIN32_INTERNAL_H
