#include "played.h"

/* Longest name: "SequenceIndex" and four hex digits, with its terminator. */
#define HWI_PLAYED_NAME_MAX 32

static void hwi_played_name(char* out, const char* prefix, unsigned short port) {
    static const char digits[] = "0123456789ABCDEF";
    unsigned long length = 0;
    int shift = 12;
    while (prefix[length] != '\0' && length < HWI_PLAYED_NAME_MAX - 5) {
        out[length] = prefix[length];
        ++length;
    }
    /* No leading zeros; port 0 is "0". */
    while (shift > 0 && ((port >> shift) & 0xF) == 0) shift -= 4;
    for (; shift >= 0; shift -= 4) out[length++] = digits[(port >> shift) & 0xF];
    out[length] = '\0';
}

static unsigned long hwi_played_dword(const hwi_played_values* values, const char* prefix, unsigned short port,
                                      unsigned long fallback) {
    char name[HWI_PLAYED_NAME_MAX];
    unsigned char data[4];
    hwi_played_name(name, prefix, port);
    if (values->query(values->context, name, HWI_PLAYED_DWORD, data, sizeof(data)) != (long)sizeof(data))
        return fallback;
    return (unsigned long)data[0] | ((unsigned long)data[1] << 8) | ((unsigned long)data[2] << 16) |
           ((unsigned long)data[3] << 24);
}

static void hwi_played_set(const hwi_played_values* values, const char* prefix, unsigned short port,
                           unsigned long value) {
    char name[HWI_PLAYED_NAME_MAX];
    hwi_played_name(name, prefix, port);
    values->set_dword(values->context, name, value);
}

unsigned char hwi_played_read(const hwi_played_values* values, unsigned short port) {
    char name[HWI_PLAYED_NAME_MAX];
    unsigned char sequence[HWI_PLAYED_SEQUENCE_MAX];
    unsigned long index;
    long length;

    hwi_played_name(name, "Sequence", port);
    length = values->query(values->context, name, HWI_PLAYED_BINARY, sequence, sizeof(sequence));
    if (length <= 0 || length > (long)sizeof(sequence)) return (unsigned char)hwi_played_dword(values, "Port", port, 0);

    index = hwi_played_dword(values, "SequenceIndex", port, 0);
    if (index >= (unsigned long)length) {
        hwi_played_set(values, "SequenceIndex", port, (unsigned long)length);
        return sequence[length - 1];
    }
    hwi_played_set(values, "SequenceIndex", port, index + 1);
    return sequence[index];
}

void hwi_played_write(const hwi_played_values* values, unsigned short port, unsigned char value) {
    hwi_played_set(values, "Written", port, value);
    hwi_played_set(values, "WriteCount", port, hwi_played_dword(values, "WriteCount", port, 0) + 1);
}

unsigned long hwi_played_parallel_ranges(const hwi_played_values* values, hwi_port_range* ranges,
                                         unsigned long capacity) {
    unsigned char list[HWI_PLAYED_RESOURCES_MAX];
    unsigned long count = 0;
    const long length = values->query(values->context, "ParallelPorts", HWI_PLAYED_RESOURCE_LIST, list, sizeof(list));
    if (length <= 0 || length > (long)sizeof(list)) return 0;
    hwi_resource_parallel_port(list, (unsigned long)length, ranges, &count, capacity);
    return count;
}

int hwi_played_caller_may_write(const hwi_played_values* values, int token_may_write) {
    unsigned char data[4];
    if (values->query(values->context, "CallerMayWrite", HWI_PLAYED_DWORD, data, sizeof(data)) != (long)sizeof(data))
        return token_may_write;
    return (data[0] | data[1] | data[2] | data[3]) != 0;
}
