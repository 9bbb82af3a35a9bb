// load_check.cpp - the shipped kx418.dll, loaded by file name from the
// program's folder as the configurator loads it, does one exchange with the
// module. Exits 0 when all went as expected, else 1 with the step that did
// not.
#define KX418_BIND_AT_RUNTIME
#include "kx418.h"

#include <windows.h>

#include <cstdio>

namespace {

int Fail(const char* what) {
    std::printf("kx418_load_check: %s\n", what);
    return 1;
}

template <typename Function>
bool Bind(HMODULE library, const char* name, Function& function) {
    // GetProcAddress gives a generic function pointer; the export is of the
    // type kx418.h declares.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

}  // namespace

int main() {
    HMODULE library = LoadLibraryA("kx418.dll");
    if (library == nullptr) return Fail("LoadLibraryA(\"kx418.dll\") failed");

    KX418_Open_Fn open = nullptr;
    KX418_Close_Fn close = nullptr;
    KX418_Send_Cfg_Fn send_cfg = nullptr;
    KX418_Get_Reply_Fn get_reply = nullptr;
    if (!Bind(library, "KX418_Open", open) || !Bind(library, "KX418_Close", close) ||
        !Bind(library, "KX418_Send_Cfg", send_cfg) || !Bind(library, "KX418_Get_Reply", get_reply))
        return Fail("an export is missing");

    int status = 0;
    if (open() != 1)
        status = Fail("KX418_Open did not find the module");
    else if (send_cfg(1, 0, 1000, 0) != 1)
        status = Fail("KX418_Send_Cfg failed");
    else if (get_reply() != 1)
        status = Fail("KX418_Get_Reply saw no acknowledgement");
    if (close() == 0 && status == 0) status = Fail("KX418_Close failed");
    if (!FreeLibrary(library)) status = Fail("FreeLibrary failed");
    if (status == 0) std::printf("kx418_load_check: one exchange through kx418.dll\n");
    return status;
}
