// kx418_linked.h - the library's four functions as the web build names
// them: linked into the page's program, whose binding keeps the export
// names for its own entry points (app/KX418_DLL.h), so here they bear
// these (devlib/CMakeLists.txt renames them). Declared as kx418.h
// declares the exports. For the page's binding and the benchmarks only.
#ifndef KX418_DEVLIB_WEB_KX418_LINKED_H
#define KX418_DEVLIB_WEB_KX418_LINKED_H

#include <cstdint>

extern "C" {
int32_t KX418_Linked_Open(void);
int32_t KX418_Linked_Close(void);
int32_t KX418_Linked_Send_Cfg(uint32_t function_number, uint32_t setting, uint32_t first_time_ms,
                              uint32_t second_time_ms);
int32_t KX418_Linked_Get_Reply(void);
}

#endif
