/* Port access of the hwinterface driver, apart from the requests that ask for
 * it. Each image links exactly one implementation: the production image
 * reaches the hardware through the HAL (hwports_hal.c), the test build plays
 * the ports from values under its service key (hwports_played.c). Each also
 * says which I/O ranges belong to parallel ports: the production image learns
 * them from the system, the test build from its service key. All run at
 * PASSIVE_LEVEL: DriverEntry, the unload routine and the device-control
 * dispatch of a top-level driver. */
#ifndef HWINTERFACE_HWPORTS_H
#define HWINTERFACE_HWPORTS_H

#include <ntifs.h>

#include "core/ranges.h"

/* First thing DriverEntry does; a failure fails the load. `registryPath` is
 * the driver's service key and does not outlive DriverEntry. */
NTSTATUS HwiPortsStart(PCUNICODE_STRING registryPath);

/* Undoes HwiPortsStart: last thing the unload routine does, and on a load
 * that fails after a successful start. */
void HwiPortsStop(void);

UCHAR HwiReadPort(USHORT port);
void HwiWritePort(USHORT port, UCHAR value);

/* Copies the parallel ports known now, each as the first I/O range the
 * system assigned to it, into `ranges` (at most `capacity`); returns how
 * many. HwiPortsStart has learned them before it returns. */
ULONG HwiParallelRanges(hwi_port_range* ranges, ULONG capacity);

/* The caller's write right as this image judges it, given what the caller's
 * token says (`tokenMayWrite`): the production image takes the token's word;
 * the test build may play the caller instead, since under Wine the token it
 * sees is its driver host's, never the caller's. */
int HwiCallerMayWrite(int tokenMayWrite);

#endif
