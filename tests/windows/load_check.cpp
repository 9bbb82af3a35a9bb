// load_check.cpp - the shipped kx418.dll, loaded by file name from the
// program's folder as the configurator loads it, does one exchange with the
// module. Exits 0 when all went as expected, else 1 with the step that did
// not.
//
//   kx418_load_check FUNCTION             one transfer of FUNCTION (times 1000
//                                         and 0 ms) as the program makes it;
//                                         exits 0 sent, 2 not opened, 3 not
//                                         written, 4 not acknowledged
//   kx418_load_check FUNCTION --hold MS   opens the module, says "open", and
//                                         ends MS ms later still holding it
#define KX418_BIND_AT_RUNTIME
#include "kx418.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Fail(const char* what)
{
    std::printf("kx418_load_check: %s\n", what);
    return 1;
}

template <typename Function>
bool Bind(HMODULE library, const char* name, Function& function)
{
    // GetProcAddress gives a generic function pointer; the export is of the
    // type kx418.h declares.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    HMODULE library = LoadLibraryA("kx418.dll");
    if (library == nullptr) return Fail("LoadLibraryA(\"kx418.dll\") failed");

    KX418_Open_Fn open = nullptr;
    KX418_Close_Fn close = nullptr;
    KX418_Send_Cfg_Fn send_cfg = nullptr;
    KX418_Get_Reply_Fn get_reply = nullptr;
    if (!Bind(library, "KX418_Open", open) || !Bind(library, "KX418_Close", close) ||
        !Bind(library, "KX418_Send_Cfg", send_cfg) || !Bind(library, "KX418_Get_Reply", get_reply))
        return Fail("an export is missing");

    if (argc >= 2) {
        const auto function = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
        if (open() != 1) return 2;
        if (argc == 4 && std::strcmp(argv[2], "--hold") == 0) {
            std::printf("open\n");
            std::fflush(stdout);
            Sleep(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
            ExitProcess(0);  // with the module open and locked
        }
        if (send_cfg(function, 0, 1000, 0) != 1) return 3;
        if (get_reply() != 1) return 4;
        close();
        return 0;
    }

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
