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

// The library's file name: its SONAME, the name the runtime package
// installs (the unversioned libkx418.so is a link for building against
// the library and comes only with the development package), and the name
// that keeps a later, incompatible libkx418.so.2 from being bound. Found
// beside the program (its run path in the build tree), else on the
// system's search path.
inline constexpr const char KX418_Library_Name[] = "libkx418.so.1";

// Releases a loaded library when its owner lets go of it.
struct KX418_Library_Closer {
    void operator()(void* handle) const;
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
