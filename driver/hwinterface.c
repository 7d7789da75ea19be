/* hwinterface: reads and writes single bytes of I/O ports for the status
 * monitor. Device \Device\hwinterface, link \DosDevices\hwinterface; two
 * control codes (read a byte, write a byte), buffered. Every user may open the
 * device itself (nothing below its name) and read each parallel port's status
 * register; any other read, and every write, only a caller whose token holds
 * the load-driver privilege, enabled or not, at high integrity and without
 * restricting SIDs (HwiMayWrite; the rules are core/request.h's).
 *
 * The ports themselves are reached through hwports.h. hwinterface.sys links
 * the HAL's port functions (hwports_hal.c); its test build,
 * hwinterface_test.sys, is this same file linked with ports played from its
 * service key instead (hwports_played.c, core/played.h). */
#include <ntifs.h>

#include "core/request.h"
#include "hwports.h"

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);

static const WCHAR kDeviceName[] = L"" HWI_DEVICE_NAME;
static const WCHAR kLinkName[] = L"" HWI_LINK_NAME;

#define HWI_TOKEN_TAG 0x4B545748UL /* 'HWTK' */

/* One of the token's records, in a buffer of the driver's own (freed with
 * HWI_TOKEN_TAG); NULL when the token does not answer. Its size is asked
 * first; a token's records are a few hundred bytes at most. */
static UCHAR* HwiQueryToken(HANDLE token, TOKEN_INFORMATION_CLASS kind, ULONG* length) {
    UCHAR* record;
    ULONG needed = 0;
    NTSTATUS status = ZwQueryInformationToken(token, kind, NULL, 0, &needed);
    if (status != STATUS_BUFFER_TOO_SMALL || needed == 0 || needed > 0x10000) return NULL;
    record = (UCHAR*)ExAllocatePoolWithTag(PagedPool, needed, HWI_TOKEN_TAG);
    if (record == NULL) return NULL;
    status = ZwQueryInformationToken(token, kind, record, needed, length);
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(record, HWI_TOKEN_TAG);
        return NULL;
    }
    if (*length > needed) *length = needed;
    return record;
}

/* Whether the requesting user's token lets it write ports
 * (hwi_token_may_write says which token decides and why).
 * SeSinglePrivilegeCheck is not used because it looks only at enabled
 * privileges and would refuse an elevated administrator whose program never
 * enabled this one. The device-control request of a top-level driver is
 * dispatched in the requesting thread, so the current thread's token (when it
 * impersonates) or else its process's token is the caller's. The thread's token is opened as
 * the driver itself (kernel handle, no access check against the impersonated
 * user); an anonymous one cannot be opened at all and is refused with it. A
 * record the token does not give (Wine has no restricting SIDs to tell of)
 * gives no right. */
static int HwiTokenMayWrite(void) {
    HANDLE token = NULL;
    ULONG returned = 0;
    NTSTATUS status;
    SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
    hwi_token facts = {HWI_TOKEN_IMPERSONATION, 0, NULL, 0, NULL, 0, 0, NULL, 0};
    UCHAR* privileges;
    UCHAR* integrity;
    UCHAR* restricted;
    int allowed = 0;

    status = ZwOpenThreadTokenEx(NtCurrentThread(), TOKEN_QUERY, TRUE, OBJ_KERNEL_HANDLE, &token);
    if (status == STATUS_NO_TOKEN) {
        facts.type = HWI_TOKEN_PRIMARY;
        status = ZwOpenProcessTokenEx(NtCurrentProcess(), TOKEN_QUERY, OBJ_KERNEL_HANDLE, &token);
    }
    if (!NT_SUCCESS(status)) return 0;
    if (facts.type == HWI_TOKEN_IMPERSONATION &&
        !NT_SUCCESS(ZwQueryInformationToken(token, TokenImpersonationLevel, &level, sizeof(level), &returned))) {
        ZwClose(token);
        return 0;
    }
    facts.level = (unsigned long)level;
    privileges = HwiQueryToken(token, TokenPrivileges, &facts.privileges_length);
    integrity = HwiQueryToken(token, TokenIntegrityLevel, &facts.integrity_length);
    restricted = HwiQueryToken(token, TokenRestrictedSids, &facts.restricted_length);
    ZwClose(token);
    facts.privileges = privileges;
    facts.integrity = integrity;
    facts.integrity_address = (unsigned long)(ULONG_PTR)integrity;
    facts.restricted = restricted;
    allowed = hwi_token_may_write(&facts);
    if (privileges != NULL) ExFreePoolWithTag(privileges, HWI_TOKEN_TAG);
    if (integrity != NULL) ExFreePoolWithTag(integrity, HWI_TOKEN_TAG);
    if (restricted != NULL) ExFreePoolWithTag(restricted, HWI_TOKEN_TAG);
    return allowed;
}

/* Requests from kernel mode are trusted; anyone else as its token says
 * (HwiCallerMayWrite lets the test build play the caller). */
static int HwiMayWrite(void* context) {
    PIRP irp = (PIRP)context;
    if (irp->RequestorMode == KernelMode) return 1;
    return HwiCallerMayWrite(HwiTokenMayWrite());
}

static unsigned long HwiRanges(void* context, hwi_port_range* ranges, unsigned long capacity) {
    UNREFERENCED_PARAMETER(context);
    return HwiParallelRanges(ranges, capacity);
}

/* Only the device itself opens: a name below it, or one relative to an open
 * handle, names nothing here (hwi_decide_open). */
static NTSTATUS NTAPI HwiCreate(PDEVICE_OBJECT device, PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    NTSTATUS status = STATUS_SUCCESS;
    UNREFERENCED_PARAMETER(device);
    if (file != NULL && hwi_decide_open(file->FileName.Length, file->RelatedFileObject != NULL) != HWI_RESULT_SUCCESS)
        status = STATUS_ACCESS_DENIED;
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI HwiClose(PDEVICE_OBJECT device, PIRP irp) {
    UNREFERENCED_PARAMETER(device);
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

/* The two port requests; every path completes the request once. */
static NTSTATUS NTAPI HwiDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    UCHAR* buffer = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
    hwi_decision decision;
    hwi_caller caller;
    NTSTATUS status;
    UNREFERENCED_PARAMETER(device);

    caller.may_write = HwiMayWrite;
    caller.parallel_ranges = HwiRanges;
    caller.context = irp;
    hwi_decide(stack->Parameters.DeviceIoControl.IoControlCode, buffer,
               buffer ? stack->Parameters.DeviceIoControl.InputBufferLength : 0,
               buffer ? stack->Parameters.DeviceIoControl.OutputBufferLength : 0, &caller, &decision);

    switch (decision.action) {
    case HWI_ACTION_READ: buffer[0] = HwiReadPort(decision.port); break;
    case HWI_ACTION_WRITE: HwiWritePort(decision.port, decision.value); break;
    case HWI_ACTION_NONE:
        if (decision.clear_output) buffer[0] = 0;
        break;
    }

    switch (decision.result) {
    case HWI_RESULT_SUCCESS: status = STATUS_SUCCESS; break;
    case HWI_RESULT_ACCESS_DENIED: status = STATUS_ACCESS_DENIED; break;
    default: status = STATUS_UNSUCCESSFUL; break;
    }
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? decision.information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* Undoes DriverEntry in reverse: the link, the device, then the ports. */
static VOID NTAPI HwiUnload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, kLinkName);
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject != NULL) IoDeleteDevice(driver->DeviceObject);
    HwiPortsStop();
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    UNICODE_STRING deviceName;
    UNICODE_STRING linkName;
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status;

    /* First: the parallel ports are known before the device can be opened. */
    status = HwiPortsStart(registryPath);
    if (!NT_SUCCESS(status)) return status;

    RtlInitUnicodeString(&deviceName, kDeviceName);
    status = IoCreateDevice(driver, 0, &deviceName, HWI_DEVICE_TYPE, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        HwiPortsStop();
        return status;
    }
    RtlInitUnicodeString(&linkName, kLinkName);
    status = IoCreateSymbolicLink(&linkName, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        HwiPortsStop();
        return status;
    }

    driver->MajorFunction[IRP_MJ_CREATE] = HwiCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = HwiClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = HwiDeviceControl;
    driver->DriverUnload = HwiUnload;
    return STATUS_SUCCESS;
}
