/* The ports of the driver's test build, played from values a test sets under
 * the driver's service key while the programs run:
 *   "Sequence<port>"  REG_BINARY, 1 to 256 bytes: one byte per read, from
 *                     "SequenceIndex<port>" (REG_DWORD, 0 when missing), which
 *                     each read advances; the last byte holds once it is played;
 *   else "Port<port>" REG_DWORD: its low byte at every read;
 *   else 0.
 * A write leaves its byte in "Written<port>" and counts itself in
 * "WriteCount<port>" (both REG_DWORD). <port> is the port in upper-case hex
 * without padding ("Port379").
 * Which played port is a parallel port: "ParallelPorts", REG_RESOURCE_LIST of
 * at most 512 bytes in the layout the system gives a parallel port's assigned
 * resources (core/ranges.h); its first I/O range is the port, as in the
 * system's own list; none when missing.
 * Who the caller is: "CallerMayWrite", REG_DWORD: 0 plays a standard user, any
 * other value an administrator; when missing, the caller's token decides
 * (under Wine the driver host's, which gives no write right: Wine cannot say
 * whether a token is restricted).
 * Plain C without kernel headers: the kernel side only supplies the value
 * store. */
#ifndef HWINTERFACE_PLAYED_H
#define HWINTERFACE_PLAYED_H

#include "ranges.h"

#ifdef __cplusplus
extern "C" {
#endif

#define HWI_PLAYED_BINARY 3UL        /* REG_BINARY */
#define HWI_PLAYED_DWORD 4UL         /* REG_DWORD */
#define HWI_PLAYED_RESOURCE_LIST 8UL /* REG_RESOURCE_LIST */
#define HWI_PLAYED_SEQUENCE_MAX 256UL
#define HWI_PLAYED_RESOURCES_MAX 512UL

/* The service key's values. `query` copies value `name` into `data` when it
 * has type `type` and at most `capacity` bytes, and returns its length; else
 * (missing, another type, longer) -1 and `data` is untouched. */
typedef struct hwi_played_values {
    void* context;
    long (*query)(void* context, const char* name, unsigned long type, unsigned char* data, unsigned long capacity);
    void (*set_dword)(void* context, const char* name, unsigned long value);
} hwi_played_values;

unsigned char hwi_played_read(const hwi_played_values* values, unsigned short port);
void hwi_played_write(const hwi_played_values* values, unsigned short port, unsigned char value);
/* The caller's write right: "CallerMayWrite" when set, else `token_may_write`. */
int hwi_played_caller_may_write(const hwi_played_values* values, int token_may_write);
/* The played parallel port's first range, when `capacity` has room, into `ranges`; returns how many (0 or 1). */
unsigned long hwi_played_parallel_ranges(const hwi_played_values* values, hwi_port_range* ranges,
                                         unsigned long capacity);

#ifdef __cplusplus
}
#endif

#endif
