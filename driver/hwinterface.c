/* hwinterface: reads and writes single bytes of I/O ports for the status
 * monitor. Device \Device\hwinterface, link \DosDevices\hwinterface; two
 * control codes (read a byte, write a byte), buffered. Reads are open to every
 * user; a write only to a caller whose token holds the load-driver privilege,
 * enabled or not (see HwiMayWrite).
 *
 * Built with HWINTERFACE_TEST it becomes the test build: ports are played
 * from values under the driver's service key instead of the hardware
 * ("Sequence<port>" REG_BINARY advancing per read with "SequenceIndex<port>",
 * else "Port<port>" REG_DWORD, else 0), and writes are recorded there
 * ("Written<port>" REG_DWORD, "WriteCount<port>" REG_DWORD). */
#include <ntifs.h>

#include "core/request.h"

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);

static const WCHAR kDeviceName[] = L"\\Device\\hwinterface";
static const WCHAR kLinkName[] = L"\\DosDevices\\hwinterface";

#ifdef HWINTERFACE_TEST

#define HWI_POOL_TAG 0x49574820UL /* ' HWI' */
static UNICODE_STRING ServiceKeyPath;

/* Keeps a copy of the service key path: the one DriverEntry gets does not outlive it. */
static NTSTATUS HwiSaveServiceKey(PCUNICODE_STRING path) {
    ServiceKeyPath.Buffer = (PWCH)ExAllocatePoolWithTag(PagedPool, path->Length + sizeof(WCHAR), HWI_POOL_TAG);
    if (ServiceKeyPath.Buffer == NULL) return STATUS_INSUFFICIENT_RESOURCES;
    RtlCopyMemory(ServiceKeyPath.Buffer, path->Buffer, path->Length);
    ServiceKeyPath.Buffer[path->Length / sizeof(WCHAR)] = L'\0';
    ServiceKeyPath.Length = path->Length;
    ServiceKeyPath.MaximumLength = (USHORT)(path->Length + sizeof(WCHAR));
    return STATUS_SUCCESS;
}

static void HwiFreeServiceKey(void) {
    if (ServiceKeyPath.Buffer != NULL) ExFreePoolWithTag(ServiceKeyPath.Buffer, HWI_POOL_TAG);
    ServiceKeyPath.Buffer = NULL;
}

static HANDLE HwiOpenServiceKey(void) {
    OBJECT_ATTRIBUTES attributes;
    HANDLE key = NULL;
    InitializeObjectAttributes(&attributes, &ServiceKeyPath, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_QUERY_VALUE | KEY_SET_VALUE, &attributes))) return NULL;
    return key;
}

/* The wide name "<prefix><port>" in `storage`. */
static BOOLEAN HwiValueName(UNICODE_STRING* name, WCHAR* storage, ULONG capacity, const char* prefix, USHORT port) {
    char ascii[32];
    ULONG length = hwi_value_name(ascii, sizeof(ascii), prefix, port);
    ULONG i;
    if (length == 0 || length + 1 > capacity) return FALSE;
    for (i = 0; i <= length; ++i) storage[i] = (WCHAR)(unsigned char)ascii[i];
    name->Buffer = storage;
    name->Length = (USHORT)(length * sizeof(WCHAR));
    name->MaximumLength = (USHORT)((length + 1) * sizeof(WCHAR));
    return TRUE;
}

/* Reads a value of the given type into `data` (at most `capacity` bytes); the
 * data length, or -1 when it is missing, of another type or too long. */
static LONG HwiQueryValue(HANDLE key, const char* prefix, USHORT port, ULONG type, UCHAR* data, ULONG capacity) {
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 256];
    } answer;
    WCHAR storage[32];
    UNICODE_STRING name;
    ULONG returned = 0;
    if (!HwiValueName(&name, storage, 32, prefix, port)) return -1;
    if (!NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, &answer, sizeof(answer), &returned)))
        return -1;
    if (answer.info.Type != type || answer.info.DataLength > capacity ||
        answer.info.DataLength > sizeof(answer) - FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data))
        return -1;
    RtlCopyMemory(data, answer.info.Data, answer.info.DataLength);
    return (LONG)answer.info.DataLength;
}

static void HwiSetDword(HANDLE key, const char* prefix, USHORT port, ULONG value) {
    WCHAR storage[32];
    UNICODE_STRING name;
    if (HwiValueName(&name, storage, 32, prefix, port)) ZwSetValueKey(key, &name, 0, REG_DWORD, &value, sizeof(value));
}

static ULONG HwiGetDword(HANDLE key, const char* prefix, USHORT port, ULONG fallback) {
    ULONG value = 0;
    return HwiQueryValue(key, prefix, port, REG_DWORD, (UCHAR*)&value, sizeof(value)) == sizeof(value) ? value : fallback;
}

static UCHAR HwiReadPort(USHORT port) {
    UCHAR sequence[256];
    UCHAR value = 0;
    ULONG next = 0;
    LONG length;
    HANDLE key = HwiOpenServiceKey();
    if (key == NULL) return 0;
    length = HwiQueryValue(key, "Sequence", port, REG_BINARY, sequence, sizeof(sequence));
    if (length > 0 &&
        hwi_sequence_pick(sequence, (unsigned long)length, HwiGetDword(key, "SequenceIndex", port, 0), &value, &next)) {
        HwiSetDword(key, "SequenceIndex", port, next);
    } else {
        value = (UCHAR)HwiGetDword(key, "Port", port, 0);
    }
    ZwClose(key);
    return value;
}

static void HwiWritePort(USHORT port, UCHAR value) {
    HANDLE key = HwiOpenServiceKey();
    if (key == NULL) return;
    HwiSetDword(key, "Written", port, value);
    HwiSetDword(key, "WriteCount", port, HwiGetDword(key, "WriteCount", port, 0) + 1);
    ZwClose(key);
}

#else

static UCHAR HwiReadPort(USHORT port) { return READ_PORT_UCHAR((PUCHAR)(ULONG_PTR)port); }
static void HwiWritePort(USHORT port, UCHAR value) { WRITE_PORT_UCHAR((PUCHAR)(ULONG_PTR)port, value); }

#endif

#define HWI_TOKEN_TAG 0x4B545748UL /* 'HWTK' */

/* Whether the requesting user may write ports: its token holds the load-driver
 * privilege, enabled or not (hwi_token_may_write says why). SeSinglePrivilegeCheck
 * is not used because it looks only at enabled privileges and would refuse an
 * elevated administrator whose program never enabled this one. Requests from
 * kernel mode are trusted. The device-control request of a top-level driver is
 * dispatched in the requesting thread, so the current thread's token (when it
 * impersonates) or else its process's token is the caller's. */
static int HwiMayWrite(void* context) {
    PIRP irp = (PIRP)context;
    HANDLE token = NULL;
    UCHAR* record;
    ULONG needed = 0;
    ULONG returned = 0;
    NTSTATUS status;
    int allowed = 0;

    if (irp->RequestorMode == KernelMode) return 1;
    status = ZwOpenThreadTokenEx(NtCurrentThread(), TOKEN_QUERY, TRUE, OBJ_KERNEL_HANDLE, &token);
    if (status == STATUS_NO_TOKEN)
        status = ZwOpenProcessTokenEx(NtCurrentProcess(), TOKEN_QUERY, OBJ_KERNEL_HANDLE, &token);
    if (!NT_SUCCESS(status)) return 0;

    /* The record's size first; a token holds a few dozen privileges at most. */
    status = ZwQueryInformationToken(token, TokenPrivileges, NULL, 0, &needed);
    if (status != STATUS_BUFFER_TOO_SMALL || needed == 0 || needed > 0x10000) {
        ZwClose(token);
        return 0;
    }
    record = (UCHAR*)ExAllocatePoolWithTag(PagedPool, needed, HWI_TOKEN_TAG);
    if (record != NULL) {
        status = ZwQueryInformationToken(token, TokenPrivileges, record, needed, &returned);
        if (NT_SUCCESS(status)) allowed = hwi_token_may_write(record, returned < needed ? returned : needed);
        ExFreePoolWithTag(record, HWI_TOKEN_TAG);
    }
    ZwClose(token);
    return allowed;
}

/* Opening and closing the device always succeed. */
static NTSTATUS NTAPI HwiCreateClose(PDEVICE_OBJECT device, PIRP irp) {
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
    NTSTATUS status;
    UNREFERENCED_PARAMETER(device);

    hwi_decide(stack->Parameters.DeviceIoControl.IoControlCode, buffer,
               buffer ? stack->Parameters.DeviceIoControl.InputBufferLength : 0,
               buffer ? stack->Parameters.DeviceIoControl.OutputBufferLength : 0, HwiMayWrite, irp, &decision);

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

/* Undoes DriverEntry in reverse: the link, then the device. */
static VOID NTAPI HwiUnload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, kLinkName);
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject != NULL) IoDeleteDevice(driver->DeviceObject);
#ifdef HWINTERFACE_TEST
    HwiFreeServiceKey();
#endif
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    UNICODE_STRING deviceName;
    UNICODE_STRING linkName;
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status;

#ifdef HWINTERFACE_TEST
    status = HwiSaveServiceKey(registryPath);
    if (!NT_SUCCESS(status)) return status;
#else
    UNREFERENCED_PARAMETER(registryPath);
#endif

    RtlInitUnicodeString(&deviceName, kDeviceName);
    status = IoCreateDevice(driver, 0, &deviceName, HWI_DEVICE_TYPE, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status)) {
#ifdef HWINTERFACE_TEST
        HwiFreeServiceKey();
#endif
        return status;
    }
    RtlInitUnicodeString(&linkName, kLinkName);
    status = IoCreateSymbolicLink(&linkName, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
#ifdef HWINTERFACE_TEST
        HwiFreeServiceKey();
#endif
        return status;
    }

    driver->MajorFunction[IRP_MJ_CREATE] = HwiCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = HwiCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = HwiDeviceControl;
    driver->DriverUnload = HwiUnload;
    return STATUS_SUCCESS;
}
