// fake_kx418.cpp - a stand-in device library for binding tests, built as
// libkx418.so.1 in one folder per variant: complete, or with one export left
// out (FAKE_WITHOUT_OPEN, ...). Each export answers with its own number, so
// a test sees which export an entry point was bound to. Loading appends
// "load" to the file KX418_FAKE_LOG names. (Its unloading is watched from
// the program's side: a static destructor of the library runs at exit
// whether or not the program released it.)
#include "kx418.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Note(const char* line)
{
    const char* path = std::getenv("KX418_FAKE_LOG");
    if (path == nullptr) return;
    if (std::FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line);
        std::fclose(f);
    }
}

struct LoadNote {
    LoadNote() { Note("load"); }
} note;

}  // namespace

#ifndef FAKE_WITHOUT_OPEN
int32_t KX418_Open(void)
{
    return 11;
}
#endif
#ifndef FAKE_WITHOUT_CLOSE
int32_t KX418_Close(void)
{
    return 12;
}
#endif
#ifndef FAKE_WITHOUT_SEND_CFG
int32_t KX418_Send_Cfg(uint32_t, uint32_t, uint32_t, uint32_t)
{
    return 13;
}
#endif
#ifndef FAKE_WITHOUT_GET_REPLY
int32_t KX418_Get_Reply(void)
{
    return 14;
}
#endif
