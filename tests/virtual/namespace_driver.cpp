// namespace_driver.cpp - runs one transfer through the shipped libkx418.so
// as a program would, with a folder of virtual nodes standing in for /dev.
//
//   kx418_namespace_driver FOLDER LIBRARY
//
// Enters a private mount namespace, binds FOLDER over /dev there (nothing
// outside the namespace sees it), loads LIBRARY by dlopen, binds the four
// exports by name and runs KX418_Open, KX418_Send_Cfg(3, 1, 5000, 2500),
// KX418_Get_Reply, KX418_Close. Prints each result. Exits 0 when all four
// succeeded, 1 when one failed, 77 when the namespace cannot be had.
#define KX418_BIND_AT_RUNTIME
#include "kx418.h"

#include <dlfcn.h>
#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int Exit_Skip = 77;

template <typename Function>
Function Bind(void* library, const char* name)
{
    return reinterpret_cast<Function>(dlsym(library, name));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kx418_namespace_driver FOLDER LIBRARY\n");
        return 2;
    }
    const char* folder = argv[1];
    const char* library_path = argv[2];

    if (unshare(CLONE_NEWNS) != 0) {
        std::printf("no private mount namespace: unshare: %s\n", std::strerror(errno));
        return Exit_Skip;
    }
    // Private first, so that the bind below does not travel back out.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(folder, "/dev", nullptr, MS_BIND, nullptr) != 0) {
        std::printf("cannot bind %s over /dev: %s\n", folder, std::strerror(errno));
        return Exit_Skip;
    }

    void* library = dlopen(library_path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::printf("dlopen: %s\n", dlerror());
        return 1;
    }
    const auto open = Bind<KX418_Open_Fn>(library, "KX418_Open");
    const auto close = Bind<KX418_Close_Fn>(library, "KX418_Close");
    const auto send_cfg = Bind<KX418_Send_Cfg_Fn>(library, "KX418_Send_Cfg");
    const auto get_reply = Bind<KX418_Get_Reply_Fn>(library, "KX418_Get_Reply");
    if (!open || !close || !send_cfg || !get_reply) {
        std::printf("an export is missing\n");
        return 1;
    }

    const int opened = open();
    const int sent = opened ? send_cfg(3, 1, 5000, 2500) : 0;
    const int acknowledged = sent ? get_reply() : 0;
    const int closed = close();
    std::printf("KX418_Open %d KX418_Send_Cfg %d KX418_Get_Reply %d KX418_Close %d\n", opened, sent,
                acknowledged, closed);
    dlclose(library);
    return opened && sent && acknowledged && closed ? 0 : 1;
}
