// KX418_DLL.h - the device library, bound at run time by file name.
//
// Load_KX418 loads the library by its bare file name and looks up its four
// exports by name; each entry point below bears the name of the export it
// is bound to and stays null when that export was not found (or the
// library not loaded). Unload_KX418 releases the library; Load_KX418
// registers it as an exit routine when the library loaded.
#ifndef KX418_DLL_H
#define KX418_DLL_H

#define KX418_BIND_AT_RUNTIME
#include "kx418.h"

#include <memory>

// The platform's part, one backend file each (KX418_DLL_dlfcn.cpp,
// KX418_DLL_win32.cpp): the library's file name, and loading it by that
// name, looking up an export, releasing it. The order of steps above them
// is written once, in KX418_DLL.cpp.
extern const char KX418_Library_Name[];
void* KX418_Library_Load(const char* name);                   // null on failure
void* KX418_Library_Export(void* library, const char* name);  // null when absent
void KX418_Library_Release(void* library);

// Releases a loaded library when its owner lets go of it.
struct KX418_Library_Closer {
    void operator()(void* handle) const { KX418_Library_Release(handle); }
};
using KX418_Library = std::unique_ptr<void, KX418_Library_Closer>;

extern KX418_Library KX418_Handle;  // null when loading failed
extern KX418_Open_Fn KX418_Open;
extern KX418_Close_Fn KX418_Close;
extern KX418_Send_Cfg_Fn KX418_Send_Cfg;
extern KX418_Get_Reply_Fn KX418_Get_Reply;

// Returns 0 when the library was loaded (whether or not every export was
// found), 1 when it could not be loaded.
int Load_KX418();

// Releases the library; runs as an exit routine after main has returned.
void Unload_KX418();

#endif
