/* The I/O ranges the system assigned to parallel ports: how they are read from
 * the system's bytes and which port addresses they admit. Plain C without
 * kernel headers, so that the same rules run in host tests. */
#ifndef HWINTERFACE_RANGES_H
#define HWINTERFACE_RANGES_H

#ifdef __cplusplus
extern "C" {
#endif

/* Room for the ranges of every parallel port a machine holds: each port has
 * one or two ranges (base and extended registers). */
#define HWI_RANGES_MAX 32UL

typedef struct hwi_port_range {
    unsigned long long start;
    unsigned long length;
} hwi_port_range;

/* Nonzero when one of the `count` ranges admits `port`: it lies inside the
 * range, or it is the range's start + 1. The monitor reads the status
 * register at the first range's start + 1 whatever the range's length, so
 * that address must never be refused to it. */
int hwi_ranges_admit(const hwi_port_range* ranges, unsigned long count, unsigned short port);

/* Appends the I/O port ranges of a resource list (the registry's
 * REG_RESOURCE_LIST layout, as in a device's AllocConfig: a 32-bit count of
 * full descriptors, each of 16 header bytes with its 32-bit count of partial
 * descriptors at offset 12, followed by 16-byte partial descriptors: type
 * byte 1 is an I/O port range, its 64-bit start at 4 and 32-bit length at 12)
 * to ranges[*count], up to `capacity`. `list` holds `length` bytes; nothing
 * beyond them is read, and a descriptor cut short by the end is ignored.
 * Returns the number of ranges appended. */
unsigned long hwi_resource_port_ranges(const unsigned char* list, unsigned long length, hwi_port_range* ranges,
                                       unsigned long* count, unsigned long capacity);

/* Nonzero when a device's name, `length` bytes of UTF-16LE (a terminator may
 * follow or not), names a parallel port the way the system does: it holds
 * "(LPT", one or more digits and ")" ("ECP Printer Port (LPT1)"). The
 * monitor finds its port's device by such a name. */
int hwi_names_parallel_port(const unsigned char* name, unsigned long length);

#ifdef __cplusplus
}
#endif

#endif
