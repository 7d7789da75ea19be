#include "request.h"

void hwi_decide(unsigned long code, const unsigned char* buffer, unsigned long input_length,
                unsigned long output_length, hwi_write_permission may_write, void* context,
                hwi_decision* decision) {
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
        decision->information = 1;
        if (buffer == 0 || input_length < 2) {
            /* Answer a defined 0 instead of whatever the system buffer held. */
            decision->clear_output = 1;
            return;
        }
        decision->action = HWI_ACTION_READ;
        decision->port = (unsigned short)(buffer[0] | (buffer[1] << 8));
        return;

    case HWI_IOCTL_WRITE_PORT_BYTE:
        if (buffer == 0 || input_length < 3) return;
        /* Writing a port can take over the machine: only for administrators. */
        if (may_write == 0 || !may_write(context)) {
            decision->result = HWI_RESULT_ACCESS_DENIED;
            return;
        }
        decision->action = HWI_ACTION_WRITE;
        decision->port = (unsigned short)(buffer[0] | (buffer[1] << 8));
        decision->value = buffer[2];
        return;

    default:
        decision->result = HWI_RESULT_UNSUCCESSFUL;
        return;
    }
}

unsigned long hwi_value_name(char* out, unsigned long capacity, const char* prefix, unsigned short port) {
    static const char digits[] = "0123456789ABCDEF";
    char hex[4];
    unsigned long hex_length = 0;
    unsigned long length = 0;
    unsigned long i;
    unsigned int rest = port;

    do {
        hex[hex_length++] = digits[rest & 0xF];
        rest >>= 4;
    } while (rest != 0);

    while (prefix[length] != '\0') ++length;
    if (out == 0 || length + hex_length + 1 > capacity) return 0;
    for (i = 0; i < length; ++i) out[i] = prefix[i];
    for (i = 0; i < hex_length; ++i) out[length + i] = hex[hex_length - 1 - i];
    out[length + hex_length] = '\0';
    return length + hex_length;
}

int hwi_sequence_pick(const unsigned char* sequence, unsigned long length, unsigned long index,
                      unsigned char* value, unsigned long* next_index) {
    if (sequence == 0 || length == 0) return 0;
    if (index >= length) {
        *value = sequence[length - 1];
        *next_index = length;
    } else {
        *value = sequence[index];
        *next_index = index + 1;
    }
    return 1;
}
