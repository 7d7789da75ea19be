/* The checks of a request to the hwinterface device: which control code, which
 * buffer lengths, what is done and which result the request completes with.
 * Plain C without kernel headers, so the same decisions run in host tests. */
#ifndef HWINTERFACE_REQUEST_H
#define HWINTERFACE_REQUEST_H

#include "contract/PortDriver.h"
#include "ranges.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The control codes, HWI_IOCTL_READ_PORT_BYTE and HWI_IOCTL_WRITE_PORT_BYTE,
 * are those the monitor sends (contract/PortDriver.h). */

typedef enum hwi_action {
    HWI_ACTION_NONE = 0, /* complete without touching a port */
    HWI_ACTION_READ = 1, /* read `port`, answer in output byte 0 */
    HWI_ACTION_WRITE = 2 /* write `value` to `port` */
} hwi_action;

typedef enum hwi_result {
    HWI_RESULT_SUCCESS = 0,
    HWI_RESULT_UNSUCCESSFUL = 1, /* unknown control code */
    HWI_RESULT_ACCESS_DENIED = 2 /* a caller without the write right: any write, a read but of a status register */
} hwi_result;

typedef struct hwi_decision {
    hwi_action action;
    hwi_result result;
    unsigned long information; /* bytes reported to the caller */
    int clear_output;          /* set output byte 0 to 0 (short read) */
    unsigned short port;
    unsigned char value;
} hwi_decision;

/* What the decision may ask about the caller and the machine; each is asked
 * only when the request needs the answer. */
typedef struct hwi_caller {
    /* Nonzero when the caller may write ports, and so also read any port. */
    int (*may_write)(void* context);
    /* Copies the parallel ports, each as the first I/O range the system
     * assigned to it, at most `capacity`, into `ranges`; returns how many. */
    unsigned long (*parallel_ranges)(void* context, hwi_port_range* ranges, unsigned long capacity);
    void* context;
} hwi_caller;

/* Decides one device control request. `buffer` holds `input_length` bytes of
 * input (it may be null when the length is 0); nothing beyond them is read.
 * A caller without the write right (any user: the control codes ask no
 * access right) reads only a parallel port's status register, where the
 * monitor reads (hwi_ranges_admit): any other port may be a keyboard
 * controller that gives away keystrokes, or a register that changes when it
 * is read, another user's print job with it. A null `caller`, or a null
 * question, is answered no. */
void hwi_decide(unsigned long code, const unsigned char* buffer, unsigned long input_length,
                unsigned long output_length, const hwi_caller* caller, hwi_decision* decision);

/* Opening the device: only the device itself. An open of a name below it
 * ("\\.\hwinterface\x", `name_length` nonzero) or relative to an open
 * handle of it names nothing this driver has. */
hwi_result hwi_decide_open(unsigned long name_length, int relative);

/* Who may write ports: a caller acting with a token that holds the
 * load-driver privilege (SeLoadDriverPrivilege, LUID 10), enabled or not, at
 * high integrity or above, and that is not a restricted token. Writing ports
 * is control of the machine: such a caller could load any driver anyway. On
 * Windows 7 it is an elevated administrator or a service of the system, while
 * a standard user's token and an administrator's filtered (not elevated)
 * token lack the privilege altogether. Whether it is enabled does not matter:
 * programs rarely enable it before a request. A low-integrity or restricted
 * process of an elevated administrator, or a medium-integrity duplicate of an
 * elevated token, keeps the privilege but is kept from its power: here too.
 *
 * The token that decides is the one the caller's thread acts with: its
 * impersonation token while it impersonates, else its process's primary
 * token. An impersonation token below the impersonation level (anonymous,
 * identification) lets a thread only name a user, not act as one: Windows
 * hands such copies out freely (the linked administrator token of a session
 * that is not elevated, the client token of a named pipe), so it gives no
 * right here. Nor does the process's own token stand in: the thread chose to
 * act as someone else.
 *
 * The token's records as the token query returns them on 32-bit Windows
 * (little-endian); a missing record (null) gives no right, and nothing beyond
 * a record's length is read:
 *  - `privileges`, TokenPrivileges: a 32-bit count, then 12-byte entries of
 *    LUID low part, LUID high part, attributes. A privilege marked removed is
 *    not held.
 *  - `integrity`, TokenIntegrityLevel: the 32-bit address of the label's SID
 *    and its 32-bit attributes, the SID itself within the record (Windows puts
 *    it right after); `integrity_address` is the address the record was
 *    returned at, so that the SID is looked for only inside it. The SID's last
 *    sub-authority is the level (S-1-16-12288 high).
 *  - `restricted`, TokenRestrictedSids: a 32-bit count of restricting SIDs
 *    first; a restricted token has at least one. */
#define HWI_SE_LOAD_DRIVER_PRIVILEGE 10UL
#define HWI_SE_PRIVILEGE_REMOVED 0x00000004UL
#define HWI_SECURITY_MANDATORY_HIGH_RID 0x3000UL
typedef enum hwi_token_type {
    HWI_TOKEN_PRIMARY = 1,      /* TokenPrimary */
    HWI_TOKEN_IMPERSONATION = 2 /* TokenImpersonation: `level` says how far it may act */
} hwi_token_type;
/* SECURITY_IMPERSONATION_LEVEL */
#define HWI_SECURITY_ANONYMOUS 0UL
#define HWI_SECURITY_IDENTIFICATION 1UL
#define HWI_SECURITY_IMPERSONATION 2UL
#define HWI_SECURITY_DELEGATION 3UL
typedef struct hwi_token {
    hwi_token_type type;
    unsigned long level;
    const unsigned char* privileges;
    unsigned long privileges_length;
    const unsigned char* integrity;
    unsigned long integrity_length;
    unsigned long integrity_address;
    const unsigned char* restricted;
    unsigned long restricted_length;
} hwi_token;
/* Nonzero when the caller acting with `token` may write. */
int hwi_token_may_write(const hwi_token* token);

#ifdef __cplusplus
}
#endif

#endif
