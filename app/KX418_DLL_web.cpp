// KX418_DLL_web.cpp - the device library in a web page: linked into the
// program (a page loads no libraries), its four functions bound by their
// export names all the same. The library reaches the module through the
// browser's WebHID: a browser without it has no library to offer, and the
// program then says what it says for a missing library.
#include "KX418_DLL.h"
#include "kx418_linked.h"  // the library's functions, as the web build names them

#include <emscripten.h>

#include <array>
#include <cstring>

namespace {

// clang-format off
EM_JS(int, KX418_Web_Has_Hid, (), { return typeof navigator !== 'undefined' && !!navigator.hid ? 1 : 0; });
// clang-format on

// What a loaded library's handle points at: the page's one library.
char Linked_Library = 0;

}  // namespace

const char KX418_Library_Name[] = "kx418";

void* KX418_Library_Load(const char* name)
{
    if (name == nullptr || std::strcmp(name, KX418_Library_Name) != 0) return nullptr;
    return KX418_Web_Has_Hid() ? &Linked_Library : nullptr;
}

void* KX418_Library_Export(void* library, const char* name)
{
    if (library != &Linked_Library || name == nullptr) return nullptr;
    struct Export {
        const char* name;
        void* address;
    };
    const std::array<Export, 4> exports{{
        {"KX418_Open", reinterpret_cast<void*>(&KX418_Linked_Open)},
        {"KX418_Close", reinterpret_cast<void*>(&KX418_Linked_Close)},
        {"KX418_Send_Cfg", reinterpret_cast<void*>(&KX418_Linked_Send_Cfg)},
        {"KX418_Get_Reply", reinterpret_cast<void*>(&KX418_Linked_Get_Reply)},
    }};
    for (const Export& entry : exports)
        if (std::strcmp(entry.name, name) == 0) return entry.address;
    return nullptr;
}

void KX418_Library_Release(void* /*library*/)
{
    // Linked in: nothing to release.
}
