// exchange_bench.cpp - one whole transfer through the device library as
// the page runs it (the logic and the WebHID backend in WebAssembly, its
// waits on the browser's promises): KX418_Open, KX418_Send_Cfg,
// KX418_Get_Reply, KX418_Close, what the program's send buttons do. The
// bench page (exchange.html) calls it through ccall and times it next to
// raw WebHID calls. The exchange alone (Send_Cfg and Get_Reply, as the
// sequencer makes nine of them on one open) has its own calls: the module
// opened once, then exchanges on it, then closed.
#include <emscripten.h>

#include "kx418_linked.h"  // the library's functions, as the web build names them

#include <cstdint>

// 1 when the module was opened, took the report, answered "!" and was
// closed again; 0 otherwise.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t Bench_Library_Transfer(uint32_t function_number,
                                                               uint32_t setting,
                                                               uint32_t first_time_ms,
                                                               uint32_t second_time_ms)
{
    if (!KX418_Linked_Open()) {
        KX418_Linked_Close();
        return 0;
    }
    const int32_t sent =
        KX418_Linked_Send_Cfg(function_number, setting, first_time_ms, second_time_ms);
    const int32_t answered = sent != 0 ? KX418_Linked_Get_Reply() : 0;
    const int32_t closed = KX418_Linked_Close();
    return sent != 0 && answered != 0 && closed != 0 ? 1 : 0;
}

// The module opened by the library and kept open for Bench_Library_Exchange:
// 1 when it was found and opened.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t Bench_Library_Open(void)
{
    return KX418_Linked_Open() != 0 ? 1 : 0;
}

// One exchange on the module the library holds open: 1 when it took the
// report and answered "!".
extern "C" EMSCRIPTEN_KEEPALIVE int32_t Bench_Library_Exchange(uint32_t function_number,
                                                               uint32_t setting,
                                                               uint32_t first_time_ms,
                                                               uint32_t second_time_ms)
{
    if (KX418_Linked_Send_Cfg(function_number, setting, first_time_ms, second_time_ms) == 0) {
        return 0;
    }
    return KX418_Linked_Get_Reply() != 0 ? 1 : 0;
}

// The module closed again: 1 when it was.
extern "C" EMSCRIPTEN_KEEPALIVE int32_t Bench_Library_Close(void)
{
    return KX418_Linked_Close() != 0 ? 1 : 0;
}
