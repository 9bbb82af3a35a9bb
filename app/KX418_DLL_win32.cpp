// KX418_DLL_win32.cpp - loading the device library on Windows: kx418.dll by
// its bare name, found only in the program's own folder or the system
// folders. The current folder and the folders on PATH are never searched,
// so a kx418.dll planted there is not loaded in place of the program's own.
#include "KX418_DLL.h"

#include <windows.h>

const char KX418_Library_Name[] = "kx418.dll";

void* KX418_Library_Load(const char* name)
{
    // For every load by name in this process, the library's own imports
    // included.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryExA(name, nullptr,
                          LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* KX418_Library_Export(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void KX418_Library_Release(void* library)
{
    FreeLibrary(static_cast<HMODULE>(library));
}
