#include "ranges.h"

int hwi_ranges_admit(const hwi_port_range* ranges, unsigned long count, unsigned short port) {
    unsigned long i;
    if (ranges == 0) return 0;
    /* The start is compared whole: a range at 0xFFFF or beyond has no 16-bit
     * status register, and no port wraps to 0. */
    for (i = 0; i < count; ++i)
        if (port > ranges[i].start && port - ranges[i].start == 1) return 1;
    return 0;
}

static unsigned long hwi_le32(const unsigned char* p) {
    return (unsigned long)p[0] | ((unsigned long)p[1] << 8) | ((unsigned long)p[2] << 16) | ((unsigned long)p[3] << 24);
}

#define HWI_FULL_HEADER 16UL
#define HWI_PARTIAL_SIZE 16UL
#define HWI_RESOURCE_PORT 1

unsigned long hwi_resource_port_ranges(const unsigned char* list, unsigned long length, hwi_port_range* ranges,
                                       unsigned long* count, unsigned long capacity) {
    unsigned long appended = 0;
    unsigned long fulls;
    unsigned long at = 4;
    if (list == 0 || ranges == 0 || count == 0 || length < 4) return 0;
    fulls = hwi_le32(list);
    /* Every step below checks the bytes left before it reads, so a count that
     * claims more than the list holds ends the walk. */
    while (fulls-- > 0 && length - at >= HWI_FULL_HEADER) {
        unsigned long partials = hwi_le32(list + at + 12);
        at += HWI_FULL_HEADER;
        while (partials-- > 0 && length - at >= HWI_PARTIAL_SIZE) {
            const unsigned char* partial = list + at;
            at += HWI_PARTIAL_SIZE;
            if (partial[0] != HWI_RESOURCE_PORT || *count >= capacity) continue;
            ranges[*count].start =
                (unsigned long long)hwi_le32(partial + 4) | ((unsigned long long)hwi_le32(partial + 8) << 32);
            ranges[*count].length = hwi_le32(partial + 12);
            ++*count;
            ++appended;
        }
    }
    return appended;
}

unsigned long hwi_resource_parallel_port(const unsigned char* list, unsigned long length, hwi_port_range* ranges,
                                         unsigned long* count, unsigned long capacity) {
    hwi_port_range first;
    unsigned long found = 0;
    if (ranges == 0 || count == 0 || *count >= capacity) return 0;
    if (hwi_resource_port_ranges(list, length, &first, &found, 1) == 0) return 0;
    ranges[(*count)++] = first;
    return 1;
}

int hwi_names_parallel_port(const unsigned char* name, unsigned long length) {
    static const char prefix[] = "(LPT";
    unsigned long chars;
    unsigned long i;
    if (name == 0) return 0;
    chars = length / 2;
    for (i = 0; i < chars; ++i) {
        unsigned long j = 0;
        unsigned long digits = 0;
        while (j < 4 && i + j < chars && name[2 * (i + j) + 1] == 0 && name[2 * (i + j)] == (unsigned char)prefix[j])
            ++j;
        if (j < 4) continue;
        j = i + 4;
        while (j < chars && name[2 * j + 1] == 0 && name[2 * j] >= '0' && name[2 * j] <= '9') {
            ++digits;
            ++j;
        }
        if (digits > 0 && j < chars && name[2 * j + 1] == 0 && name[2 * j] == ')') return 1;
    }
    return 0;
}
