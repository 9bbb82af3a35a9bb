// KX418_DLL_dlfcn.cpp - loading the device library on Linux: libkx418.so,
// found beside the program first (the program's run path is its own folder),
// then on the usual search path.
#include "KX418_DLL.h"

#include <dlfcn.h>

const char KX418_Library_Name[] = "libkx418.so";

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
