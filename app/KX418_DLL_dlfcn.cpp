// KX418_DLL_dlfcn.cpp - loading the device library on Linux: libkx418.so.1,
// found beside the program first (the program's run path is its own folder,
// in the build tree), then on the usual search path.
#include "KX418_DLL.h"

#include <dlfcn.h>

// The library's SONAME: the name the runtime package installs (the
// unversioned libkx418.so is a link for building against the library and
// comes only with the development package), and the name that keeps a
// later, incompatible libkx418.so.2 from being bound.
const char KX418_Library_Name[] = "libkx418.so.1";

void* KX418_Library_Load(const char* name)
{
    return dlopen(name, RTLD_NOW);
}

void* KX418_Library_Export(void* library, const char* name)
{
    return dlsym(library, name);
}

void KX418_Library_Release(void* library)
{
    dlclose(library);
}
