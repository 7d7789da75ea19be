/* The checks of a request to the hwinterface device: which control code, which
 * buffer lengths, what is done and which result the request completes with.
 * Plain C without kernel headers, so the same decisions run in host tests. */
#ifndef HWINTERFACE_REQUEST_H
#define HWINTERFACE_REQUEST_H

#ifdef __cplusplus
extern "C" {
#endif

/* Device type 0x9C40, buffered, any access; functions 0x801 and 0x802. */
#define HWI_DEVICE_TYPE 0x9C40UL
#define HWI_IOCTL_READ_PORT_BYTE 0x9C402004UL
#define HWI_IOCTL_WRITE_PORT_BYTE 0x9C402008UL

typedef enum hwi_action {
    HWI_ACTION_NONE = 0,   /* complete without touching a port */
    HWI_ACTION_READ = 1,   /* read `port`, answer in output byte 0 */
    HWI_ACTION_WRITE = 2   /* write `value` to `port` */
} hwi_action;

typedef enum hwi_result {
    HWI_RESULT_SUCCESS = 0,
    HWI_RESULT_UNSUCCESSFUL = 1,   /* unknown control code */
    HWI_RESULT_ACCESS_DENIED = 2   /* write by a caller whose token lacks the load-driver privilege */
} hwi_result;

typedef struct hwi_decision {
    hwi_action action;
    hwi_result result;
    unsigned long information;   /* bytes reported to the caller */
    int clear_output;            /* set output byte 0 to 0 (short read) */
    unsigned short port;
    unsigned char value;
} hwi_decision;

/* Asked only for a write that would touch a port: nonzero when the caller
 * may write ports. */
typedef int (*hwi_write_permission)(void* context);

/* Decides one device control request. `buffer` holds `input_length` bytes of
 * input (it may be null when the length is 0); nothing beyond them is read. */
void hwi_decide(unsigned long code, const unsigned char* buffer, unsigned long input_length,
                unsigned long output_length, hwi_write_permission may_write, void* context,
                hwi_decision* decision);

/* Who may write ports: a caller whose token holds the load-driver privilege
 * (SeLoadDriverPrivilege, LUID 10), enabled or not. Such a caller can load any
 * driver anyway; on Windows 7 it is an elevated administrator or a service of
 * the system, while a standard user's token and an administrator's filtered
 * (not elevated) token lack the privilege altogether. Whether it is enabled
 * does not matter: programs rarely enable it before a request.
 * `record` holds `length` bytes of a TOKEN_PRIVILEGES record as the token query
 * returned it (little-endian: a 32-bit count, then 12-byte entries of LUID low
 * part, LUID high part, attributes); nothing beyond `length` is read. A
 * privilege marked removed is not held. Nonzero when the caller may write. */
#define HWI_SE_LOAD_DRIVER_PRIVILEGE 10UL
#define HWI_SE_PRIVILEGE_REMOVED 0x00000004UL
int hwi_token_may_write(const unsigned char* record, unsigned long length);

#ifdef __cplusplus
}
#endif

#endif
