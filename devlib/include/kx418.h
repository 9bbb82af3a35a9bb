/*
 * kx418.h - the four exports of the KX418 device library.
 *
 * This is the one declaration of the library's interface. The library
 * defines the functions declared here; the configurator loads the library
 * by file name at run time and binds the pointer types declared here by
 * export name.
 *
 * Calling order: KX418_Open, then one or more pairs of KX418_Send_Cfg and
 * KX418_Get_Reply, then KX418_Close. All four block the calling thread and
 * keep library-wide state: one caller at a time. Every result counts as
 * success when it is non-zero. The library shows, prints and logs nothing.
 *
 * A program that binds the exports at run time defines
 * KX418_BIND_AT_RUNTIME before including this header: it then gets the
 * pointer types only and may name its own variables after the exports.
 */
#ifndef KX418_H
#define KX418_H

#include <stdint.h>

#if defined(_WIN32)
#define KX418_CALL __cdecl
#if defined(KX418_BUILDING_LIBRARY)
#define KX418_API __declspec(dllexport)
#else
#define KX418_API
#endif
#else
#define KX418_CALL
#define KX418_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Pointer types the program binds the exports to, one per export. */
typedef int32_t(KX418_CALL* KX418_Open_Fn)(void);
typedef int32_t(KX418_CALL* KX418_Close_Fn)(void);
typedef int32_t(KX418_CALL* KX418_Send_Cfg_Fn)(uint32_t function_number, uint32_t setting,
                                               uint32_t first_time_ms, uint32_t second_time_ms);
typedef int32_t(KX418_CALL* KX418_Get_Reply_Fn)(void);

#ifndef KX418_BIND_AT_RUNTIME

/*
 * Finds the module (USB vendor ID 0x2B5D, product ID 0x0418, any version)
 * among the present HID devices and opens its read channel, read event and
 * write channel. Whatever an earlier open left open is released first, so
 * a caller that skipped KX418_Close after a failure is not blocked.
 * Returns 1 when all three are open, 0 otherwise; after 0 nothing is open.
 */
KX418_API int32_t KX418_CALL KX418_Open(void);

/*
 * Releases the read event and both channels. Returns the result of the
 * last close it performed (non-zero when it succeeded), or 1 when nothing
 * was open. Afterwards nothing is open.
 */
KX418_API int32_t KX418_CALL KX418_Close(void);

/*
 * Builds one 17-byte configuration report and writes it to the open
 * module: byte 0 report ID 0, byte 1 the CRC-8 of bytes 2 to 11, byte 2 the
 * low 8 bits of function_number, byte 3 the low 8 bits of setting, bytes
 * 4-7 and 8-11 the two times in milliseconds, least significant byte
 * first, bytes 12 to 16 zero. Returns 1 when the report was written, 0 when
 * nothing is open or the write failed. The module stays open either way.
 */
KX418_API int32_t KX418_CALL KX418_Send_Cfg(uint32_t function_number, uint32_t setting,
                                            uint32_t first_time_ms, uint32_t second_time_ms);

/*
 * Waits at most 2000 ms for the module's next input report. Returns 1 when
 * one arrived and its first byte is "!" (0x21), 0 otherwise: nothing open,
 * no report in time, the device removed, or any other first byte. Returns
 * at once when the device fails or is removed. The module stays open.
 */
KX418_API int32_t KX418_CALL KX418_Get_Reply(void);

#endif /* KX418_BIND_AT_RUNTIME */

#ifdef __cplusplus
}
#endif

#endif /* KX418_H */
