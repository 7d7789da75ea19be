/* The I/O ranges the system assigned to parallel ports: how they are read from
 * the system's bytes and which port address of each a caller without the
 * write right may read. Plain C without kernel headers, so that the same
 * rules run in host tests. */
#ifndef HWINTERFACE_RANGES_H
#define HWINTERFACE_RANGES_H

#ifdef __cplusplus
extern "C" {
#endif

/* Room for every parallel port a machine holds: one entry per port, the
 * first I/O range the system assigned to it (its base registers). */
#define HWI_RANGES_MAX 32UL

typedef struct hwi_port_range {
    unsigned long long start;
    unsigned long length;
} hwi_port_range;

/* Nonzero when `port` is the status register of one of the `count` ports,
 * each given by its first range: that range's start + 1, whatever the
 * range's length, where the monitor reads it. Nothing else of a port is
 * admitted: on an ECP/EPP port a read of the EPP address or data registers
 * (start + 3, + 4 to + 7) runs a cycle on the cable and a read of the ECP
 * FIFO (start + 0x400) takes a byte out of it, garbling a print job. */
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

/* Appends the one port a parallel port's resource list describes: its first
 * I/O range, the one the monitor takes its status register from, to
 * ranges[*count] when there is room. Returns 1 when appended, else 0. */
unsigned long hwi_resource_parallel_port(const unsigned char* list, unsigned long length, hwi_port_range* ranges,
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
