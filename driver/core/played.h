/* The ports of the driver's test build, played from values a test sets under
 * the driver's service key while the programs run:
 *   "Sequence<port>"  REG_BINARY, 1 to 256 bytes: one byte per read, from
 *                     "SequenceIndex<port>" (REG_DWORD, 0 when missing), which
 *                     each read advances; the last byte holds once it is played;
 *   else "Port<port>" REG_DWORD: its low byte at every read;
 *   else 0.
 * A write leaves its byte in "Written<port>" and counts itself in
 * "WriteCount<port>" (both REG_DWORD). <port> is the port in upper-case hex
 * without padding ("Port379"). Plain C without kernel headers: the kernel side
 * only supplies the value store. */
#ifndef HWINTERFACE_PLAYED_H
#define HWINTERFACE_PLAYED_H

#ifdef __cplusplus
extern "C" {
#endif

#define HWI_PLAYED_BINARY 3UL   /* REG_BINARY */
#define HWI_PLAYED_DWORD 4UL    /* REG_DWORD */
#define HWI_PLAYED_SEQUENCE_MAX 256UL

/* The service key's values. `query` copies value `name` into `data` when it
 * has type `type` and at most `capacity` bytes, and returns its length; else
 * (missing, another type, longer) -1 and `data` is untouched. */
typedef struct hwi_played_values {
    void* context;
    long (*query)(void* context, const char* name, unsigned long type, unsigned char* data,
                  unsigned long capacity);
    void (*set_dword)(void* context, const char* name, unsigned long value);
} hwi_played_values;

unsigned char hwi_played_read(const hwi_played_values* values, unsigned short port);
void hwi_played_write(const hwi_played_values* values, unsigned short port, unsigned char value);

#ifdef __cplusplus
}
#endif

#endif
