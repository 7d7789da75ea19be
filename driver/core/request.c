#include "request.h"

static int hwi_may_write(const hwi_caller* caller) {
    return caller != 0 && caller->may_write != 0 && caller->may_write(caller->context);
}

static int hwi_may_read(const hwi_caller* caller, unsigned short port) {
    hwi_port_range ranges[HWI_RANGES_MAX];
    unsigned long count;
    if (caller != 0 && caller->parallel_ranges != 0) {
        count = caller->parallel_ranges(caller->context, ranges, HWI_RANGES_MAX);
        if (count > HWI_RANGES_MAX) count = HWI_RANGES_MAX;
        if (hwi_ranges_admit(ranges, count, port)) return 1;
    }
    /* The status register of a parallel port is the monitor's every read and
     * needs no look at the caller's token; anything else does. */
    return hwi_may_write(caller);
}

void hwi_decide(unsigned long code, const unsigned char* buffer, unsigned long input_length,
                unsigned long output_length, const hwi_caller* caller, hwi_decision* decision) {
    decision->action = HWI_ACTION_NONE;
    decision->result = HWI_RESULT_SUCCESS;
    decision->information = 0;
    decision->clear_output = 0;
    decision->port = 0;
    decision->value = 0;

    switch (code) {
    case HWI_IOCTL_READ_PORT_BYTE:
        if (output_length < 1) {
            /* Nothing to answer into: success, but no byte counted that the
             * caller has no room for. */
            return;
        }
        if (buffer == 0 || input_length < 2) {
            /* Answer a defined 0 instead of whatever the system buffer held. */
            decision->information = 1;
            decision->clear_output = 1;
            return;
        }
        decision->port = (unsigned short)(buffer[0] | (buffer[1] << 8));
        if (!hwi_may_read(caller, decision->port)) {
            decision->result = HWI_RESULT_ACCESS_DENIED;
            return;
        }
        decision->information = 1;
        decision->action = HWI_ACTION_READ;
        return;

    case HWI_IOCTL_WRITE_PORT_BYTE:
        if (buffer == 0 || input_length < 3) return;
        /* Writing a port can take over the machine: only for callers that
         * could load a driver anyway. */
        if (!hwi_may_write(caller)) {
            decision->result = HWI_RESULT_ACCESS_DENIED;
            return;
        }
        decision->action = HWI_ACTION_WRITE;
        decision->port = (unsigned short)(buffer[0] | (buffer[1] << 8));
        decision->value = buffer[2];
        return;

    default: decision->result = HWI_RESULT_UNSUCCESSFUL; return;
    }
}

static unsigned long hwi_le32(const unsigned char* p) {
    return (unsigned long)p[0] | ((unsigned long)p[1] << 8) | ((unsigned long)p[2] << 16) | ((unsigned long)p[3] << 24);
}

hwi_result hwi_decide_open(unsigned long name_length, int relative) {
    return name_length == 0 && !relative ? HWI_RESULT_SUCCESS : HWI_RESULT_ACCESS_DENIED;
}

/* The load-driver privilege, held and not removed. */
static int hwi_holds_load_driver(const unsigned char* record, unsigned long length) {
    unsigned long count;
    unsigned long i;
    if (record == 0 || length < 4) return 0;
    count = hwi_le32(record);
    /* Only whole entries inside the returned bytes are looked at. */
    if (count > (length - 4) / 12) count = (length - 4) / 12;
    for (i = 0; i < count; ++i) {
        const unsigned char* entry = record + 4 + i * 12;
        if (hwi_le32(entry) == HWI_SE_LOAD_DRIVER_PRIVILEGE && hwi_le32(entry + 4) == 0)
            return (hwi_le32(entry + 8) & HWI_SE_PRIVILEGE_REMOVED) == 0;
    }
    return 0;
}

/* The integrity level of a label record; 0 (untrusted) when the record holds
 * no whole mandatory label SID. */
static unsigned long hwi_integrity_level(const unsigned char* record, unsigned long length, unsigned long address) {
    static const unsigned char kLabelAuthority[6] = {0, 0, 0, 0, 0, 16};
    unsigned long at;
    unsigned long subs;
    unsigned long i;
    if (record == 0 || length < 8) return 0;
    /* Unsigned: a SID before the record wraps far beyond its end. */
    at = (hwi_le32(record) - address) & 0xFFFFFFFFUL;
    if (at < 8 || at > length || length - at < 8) return 0;
    subs = record[at + 1];
    if (record[at] != 1 || subs == 0 || (length - at - 8) / 4 < subs) return 0;
    for (i = 0; i < 6; ++i)
        if (record[at + 2 + i] != kLabelAuthority[i]) return 0;
    return hwi_le32(record + at + 8 + 4 * (subs - 1));
}

int hwi_token_may_write(const hwi_token* token) {
    if (token == 0) return 0;
    if (token->type == HWI_TOKEN_IMPERSONATION) {
        if (token->level < HWI_SECURITY_IMPERSONATION) return 0;
    } else if (token->type != HWI_TOKEN_PRIMARY) {
        return 0;
    }
    if (token->restricted == 0 || token->restricted_length < 4 || hwi_le32(token->restricted) != 0) return 0;
    if (hwi_integrity_level(token->integrity, token->integrity_length, token->integrity_address) <
        HWI_SECURITY_MANDATORY_HIGH_RID)
        return 0;
    return hwi_holds_load_driver(token->privileges, token->privileges_length);
}
