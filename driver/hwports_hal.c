/* The production image's port access: the HAL's single-byte port functions,
 * nothing to set up or undo. */
#include "hwports.h"

NTSTATUS HwiPortsStart(PCUNICODE_STRING registryPath) {
    UNREFERENCED_PARAMETER(registryPath);
    return STATUS_SUCCESS;
}

void HwiPortsStop(void) {}

UCHAR HwiReadPort(USHORT port) { return READ_PORT_UCHAR((PUCHAR)(ULONG_PTR)port); }

void HwiWritePort(USHORT port, UCHAR value) { WRITE_PORT_UCHAR((PUCHAR)(ULONG_PTR)port, value); }
