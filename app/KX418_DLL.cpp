// KX418_DLL.cpp - binding the device library at run time.
#include "KX418_DLL.h"

#include <cstdlib>

KX418_Library KX418_Handle;
KX418_Open_Fn KX418_Open = nullptr;
KX418_Close_Fn KX418_Close = nullptr;
KX418_Send_Cfg_Fn KX418_Send_Cfg = nullptr;
KX418_Get_Reply_Fn KX418_Get_Reply = nullptr;

namespace {

// Stores the export of that name in the entry point, or null when the
// library has no such export.
template <typename Fn>
void Bind(const char* name, Fn& entry_point)
{
    entry_point = reinterpret_cast<Fn>(KX418_Library_Export(KX418_Handle.get(), name));
}

}  // namespace

int Load_KX418()
{
    KX418_Handle.reset(KX418_Library_Load(KX418_Library_Name));
    if (!KX418_Handle) return 1;

    Bind("KX418_Open", KX418_Open);
    Bind("KX418_Close", KX418_Close);
    Bind("KX418_Send_Cfg", KX418_Send_Cfg);
    Bind("KX418_Get_Reply", KX418_Get_Reply);

    std::atexit(Unload_KX418);
    return 0;
}

void Unload_KX418()
{
    KX418_Handle.reset();
}
