/* The production image's port access: the HAL's single-byte port functions,
 * and the parallel ports' ranges as the system assigned them
 * (hwranges_pnp.c). */
#include "hwports.h"

#include "hwranges_pnp.h"

NTSTATUS HwiPortsStart(PCUNICODE_STRING registryPath) {
    UNREFERENCED_PARAMETER(registryPath);
    HwiPnpRangesStart();
    return STATUS_SUCCESS;
}

void HwiPortsStop(void) { HwiPnpRangesStop(); }

UCHAR HwiReadPort(USHORT port) { return READ_PORT_UCHAR((PUCHAR)(ULONG_PTR)port); }

void HwiWritePort(USHORT port, UCHAR value) { WRITE_PORT_UCHAR((PUCHAR)(ULONG_PTR)port, value); }

int HwiCallerMayWrite(int tokenMayWrite) { return tokenMayWrite; }
