/* The production image's parallel ports: the first I/O range the system
 * assigned ("AllocConfig" under the device's "Control" key) to every device
 * whose name says "(LPTn)". These are the very devices and values the
 * monitor's own port lookup reads, so the status register it arrives at is
 * admitted, whoever made the port card and its driver; the parallel port
 * driver's own port information would miss a card whose maker ships another
 * driver. The Enum tree is written by the Plug and Play manager alone (users
 * may only read it), so a caller cannot plant a range for itself.
 *
 * The tree is read once in DriverEntry, before the device exists, so that the
 * monitor's first read finds the table filled. A system thread of this driver
 * then watches the tree and reads it again about a second after a change (a
 * card added while the system runs, resources assigned late in the boot), so
 * that a burst of changes makes one walk; at PASSIVE_LEVEL, where registry
 * calls are safe. Requests only copy the last table, under a spin lock. */
#include "hwranges_pnp.h"

#include "core/ranges.h"
#include "hwports.h"

#define HWI_RANGES_TAG 0x47525748UL /* 'HWRG' */
#define HWI_KEY_INFO_SIZE 600UL     /* a key name holds at most 255 characters */
#define HWI_VALUE_INFO_SIZE 1100UL  /* names and resource lists the lookup reads are shorter */

static KSPIN_LOCK RangesLock;
static hwi_port_range Ranges[HWI_RANGES_MAX];
static ULONG RangeCount;

static KEVENT StopEvent;
/* The watch thread, to wait for at unload: its object, or when that could not
 * be referenced its handle. */
static PVOID WatchThread;
static HANDLE WatchThreadHandle;
/* Written when a pending change notification ends, possibly as the watch's key closes. */
static IO_STATUS_BLOCK WatchStatus;

static HANDLE HwiOpenKey(HANDLE root, PUNICODE_STRING name, ACCESS_MASK access) {
    OBJECT_ATTRIBUTES attributes;
    HANDLE key = NULL;
    InitializeObjectAttributes(&attributes, name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, access, &attributes))) return NULL;
    return key;
}

/* Opens the `index`th subkey of `parent`. NULL when it cannot be opened;
 * `*more` turns 0 at the end of the list or on an error that would repeat. */
static HANDLE HwiOpenSubkey(HANDLE parent, ULONG index, UCHAR* scratch, int* more) {
    KEY_BASIC_INFORMATION* info = (KEY_BASIC_INFORMATION*)scratch;
    UNICODE_STRING name;
    ULONG returned = 0;
    NTSTATUS status = ZwEnumerateKey(parent, index, KeyBasicInformation, info, HWI_KEY_INFO_SIZE, &returned);
    if (!NT_SUCCESS(status)) {
        /* A name too long for the buffer is skipped; the next one may fit. */
        *more = status == STATUS_BUFFER_OVERFLOW || status == STATUS_BUFFER_TOO_SMALL;
        return NULL;
    }
    if (info->NameLength > HWI_KEY_INFO_SIZE - FIELD_OFFSET(KEY_BASIC_INFORMATION, Name)) return NULL;
    name.Buffer = info->Name;
    name.Length = name.MaximumLength = (USHORT)info->NameLength;
    return HwiOpenKey(parent, &name, KEY_READ);
}

/* The data of value `name` when it has type `type`; NULL otherwise. */
static const UCHAR* HwiQueryValue(HANDLE key, PCWSTR valueName, ULONG type, UCHAR* scratch, ULONG* length) {
    KEY_VALUE_PARTIAL_INFORMATION* info = (KEY_VALUE_PARTIAL_INFORMATION*)scratch;
    UNICODE_STRING name;
    ULONG returned = 0;
    RtlInitUnicodeString(&name, valueName);
    /* A longer value fails with STATUS_BUFFER_OVERFLOW, which is no success. */
    if (!NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, info, HWI_VALUE_INFO_SIZE, &returned)))
        return NULL;
    if (info->Type != type ||
        info->DataLength > HWI_VALUE_INFO_SIZE - FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data))
        return NULL;
    *length = info->DataLength;
    return info->Data;
}

/* Adds the port of one device instance when its name is a parallel port's. */
static void HwiScanInstance(HANDLE instance, UCHAR* scratch, hwi_port_range* ranges, ULONG* count) {
    static const WCHAR* const kNames[] = {L"FriendlyName", L"DeviceDesc"};
    UNICODE_STRING controlName;
    const UCHAR* data;
    ULONG length = 0;
    HANDLE control;
    ULONG i;
    int parallel = 0;
    for (i = 0; i < 2 && !parallel; ++i) {
        data = HwiQueryValue(instance, kNames[i], REG_SZ, scratch, &length);
        parallel = data != NULL && hwi_names_parallel_port(data, length);
    }
    if (!parallel) return;
    RtlInitUnicodeString(&controlName, L"Control");
    control = HwiOpenKey(instance, &controlName, KEY_QUERY_VALUE);
    if (control == NULL) return;
    data = HwiQueryValue(control, L"AllocConfig", REG_RESOURCE_LIST, scratch, &length);
    if (data != NULL) hwi_resource_parallel_port(data, length, ranges, count, HWI_RANGES_MAX);
    ZwClose(control);
}

/* Every device instance: Enum\<enumerator>\<device>\<instance>. */
static void HwiScan(HANDLE enumKey, hwi_port_range* ranges, ULONG* count) {
    UCHAR* keyInfo = (UCHAR*)ExAllocatePoolWithTag(PagedPool, HWI_KEY_INFO_SIZE, HWI_RANGES_TAG);
    UCHAR* valueInfo = (UCHAR*)ExAllocatePoolWithTag(PagedPool, HWI_VALUE_INFO_SIZE, HWI_RANGES_TAG);
    int moreEnumerators = 1, moreDevices, moreInstances;
    ULONG e, d, i;
    if (keyInfo != NULL && valueInfo != NULL) {
        for (e = 0; moreEnumerators; ++e) {
            HANDLE enumerator = HwiOpenSubkey(enumKey, e, keyInfo, &moreEnumerators);
            if (enumerator == NULL) continue;
            for (d = 0, moreDevices = 1; moreDevices; ++d) {
                HANDLE device = HwiOpenSubkey(enumerator, d, keyInfo, &moreDevices);
                if (device == NULL) continue;
                for (i = 0, moreInstances = 1; moreInstances; ++i) {
                    HANDLE instance = HwiOpenSubkey(device, i, keyInfo, &moreInstances);
                    if (instance == NULL) continue;
                    HwiScanInstance(instance, valueInfo, ranges, count);
                    ZwClose(instance);
                }
                ZwClose(device);
            }
            ZwClose(enumerator);
        }
    }
    if (keyInfo != NULL) ExFreePoolWithTag(keyInfo, HWI_RANGES_TAG);
    if (valueInfo != NULL) ExFreePoolWithTag(valueInfo, HWI_RANGES_TAG);
}

static HANDLE HwiOpenEnum(void) {
    UNICODE_STRING enumName;
    RtlInitUnicodeString(&enumName, L"\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Enum");
    return HwiOpenKey(NULL, &enumName, KEY_READ);
}

static void HwiRefresh(HANDLE enumKey) {
    hwi_port_range found[HWI_RANGES_MAX];
    ULONG count = 0;
    KIRQL irql;
    if (enumKey != NULL) HwiScan(enumKey, found, &count);
    KeAcquireSpinLock(&RangesLock, &irql);
    RtlCopyMemory(Ranges, found, count * sizeof(found[0]));
    RangeCount = count;
    KeReleaseSpinLock(&RangesLock, irql);
}

/* The handles below are this driver's own, just created: their object type
 * needs no check (NULL), which also keeps the kernel's exported type
 * variables out of the import table. The thread arms every notification
 * itself, so that each one ends with the key this thread closes. */
static VOID NTAPI HwiWatch(PVOID unused) {
    /* How long the tree must have been quiet before it is read again. */
    LARGE_INTEGER settle;
    OBJECT_ATTRIBUTES attributes;
    HANDLE enumKey = HwiOpenEnum();
    HANDLE changeHandle = NULL;
    PVOID change = NULL;
    PVOID objects[2];
    UNREFERENCED_PARAMETER(unused);

    settle.QuadPart = -10000000LL; /* one second, relative */
    InitializeObjectAttributes(&attributes, NULL, OBJ_KERNEL_HANDLE, NULL, NULL);
    if (NT_SUCCESS(ZwCreateEvent(&changeHandle, EVENT_ALL_ACCESS, &attributes, SynchronizationEvent, FALSE)) &&
        !NT_SUCCESS(ObReferenceObjectByHandle(changeHandle, SYNCHRONIZE, NULL, KernelMode, &change, NULL)))
        change = NULL;
    objects[0] = &StopEvent;
    objects[1] = change;

    for (;;) {
        /* Armed before the tree is read, so that no change slips between the
         * two; the first time also covers one since DriverEntry's walk. */
        int armed =
            enumKey != NULL && change != NULL &&
            NT_SUCCESS(ZwNotifyChangeKey(enumKey, changeHandle, NULL, NULL, &WatchStatus,
                                         REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, TRUE, NULL, 0, TRUE));
        HwiRefresh(enumKey);
        if (!armed ||
            KeWaitForMultipleObjects(2, objects, WaitAny, Executive, KernelMode, FALSE, NULL, NULL) == STATUS_WAIT_0)
            break;
        /* A device arrives as a burst of changes: the rest of it comes while
         * this waits, unwatched, and the next walk sees it all. */
        if (KeWaitForSingleObject(&StopEvent, Executive, KernelMode, FALSE, &settle) != STATUS_TIMEOUT) break;
    }
    /* Closing the key ends a pending notification. */
    if (enumKey != NULL) ZwClose(enumKey);
    if (change != NULL) ObDereferenceObject(change);
    if (changeHandle != NULL) ZwClose(changeHandle);
    PsTerminateSystemThread(STATUS_SUCCESS);
}

void HwiPnpRangesStart(void) {
    OBJECT_ATTRIBUTES attributes;
    HANDLE enumKey;
    KeInitializeSpinLock(&RangesLock);
    KeInitializeEvent(&StopEvent, NotificationEvent, FALSE);
    RangeCount = 0;
    WatchThread = NULL;
    WatchThreadHandle = NULL;
    enumKey = HwiOpenEnum();
    HwiRefresh(enumKey);
    if (enumKey != NULL) ZwClose(enumKey);
    /* Without the watch the table stays as read now. */
    InitializeObjectAttributes(&attributes, NULL, OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(
            PsCreateSystemThread(&WatchThreadHandle, THREAD_ALL_ACCESS, &attributes, NULL, NULL, HwiWatch, NULL))) {
        WatchThreadHandle = NULL;
        return;
    }
    if (NT_SUCCESS(ObReferenceObjectByHandle(WatchThreadHandle, SYNCHRONIZE, NULL, KernelMode, &WatchThread, NULL))) {
        ZwClose(WatchThreadHandle);
        WatchThreadHandle = NULL;
    } else {
        WatchThread = NULL;
    }
}

/* The image must not go while the thread may still run a line of it. */
void HwiPnpRangesStop(void) {
    KeSetEvent(&StopEvent, IO_NO_INCREMENT, FALSE);
    if (WatchThread != NULL) {
        KeWaitForSingleObject(WatchThread, Executive, KernelMode, FALSE, NULL);
        ObDereferenceObject(WatchThread);
        WatchThread = NULL;
    }
    if (WatchThreadHandle != NULL) {
        ZwWaitForSingleObject(WatchThreadHandle, FALSE, NULL);
        ZwClose(WatchThreadHandle);
        WatchThreadHandle = NULL;
    }
}

ULONG HwiParallelRanges(hwi_port_range* ranges, ULONG capacity) {
    ULONG count;
    KIRQL irql;
    KeAcquireSpinLock(&RangesLock, &irql);
    count = RangeCount < capacity ? RangeCount : capacity;
    RtlCopyMemory(ranges, Ranges, count * sizeof(Ranges[0]));
    KeReleaseSpinLock(&RangesLock, irql);
    return count;
}
