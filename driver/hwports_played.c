/* The test build's port access: reads and writes play the ports from values
 * under the driver's service key (core/played.h says which), so a test drives
 * the status register with `reg add` while the monitor reads it. Only
 * hwinterface_test.sys links this file; the production image never touches
 * the registry for a port. */
#include "hwports.h"

#include "core/played.h"

#define HWI_PLAYED_TAG 0x59414C50UL /* 'PLAY' */
#define HWI_PLAYED_NAME_MAX 32

/* The portable rule names the registry's value types by number. */
typedef char HwiPlayedTypesMatch[(HWI_PLAYED_BINARY == REG_BINARY && HWI_PLAYED_DWORD == REG_DWORD &&
                                  HWI_PLAYED_RESOURCE_LIST == REG_RESOURCE_LIST)
                                     ? 1
                                     : -1];

/* Kept from DriverEntry: the path it gets does not outlive it. */
static UNICODE_STRING PlayedServiceKey;

NTSTATUS HwiPortsStart(PCUNICODE_STRING registryPath) {
    PlayedServiceKey.Buffer =
        (PWCH)ExAllocatePoolWithTag(PagedPool, registryPath->Length + sizeof(WCHAR), HWI_PLAYED_TAG);
    if (PlayedServiceKey.Buffer == NULL) return STATUS_INSUFFICIENT_RESOURCES;
    RtlCopyMemory(PlayedServiceKey.Buffer, registryPath->Buffer, registryPath->Length);
    PlayedServiceKey.Buffer[registryPath->Length / sizeof(WCHAR)] = L'\0';
    PlayedServiceKey.Length = registryPath->Length;
    PlayedServiceKey.MaximumLength = (USHORT)(registryPath->Length + sizeof(WCHAR));
    return STATUS_SUCCESS;
}

void HwiPortsStop(void) {
    if (PlayedServiceKey.Buffer != NULL) ExFreePoolWithTag(PlayedServiceKey.Buffer, HWI_PLAYED_TAG);
    PlayedServiceKey.Buffer = NULL;
    PlayedServiceKey.Length = PlayedServiceKey.MaximumLength = 0;
}

static HANDLE HwiPlayedOpenKey(void) {
    OBJECT_ATTRIBUTES attributes;
    HANDLE key = NULL;
    InitializeObjectAttributes(&attributes, &PlayedServiceKey, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_QUERY_VALUE | KEY_SET_VALUE, &attributes))) return NULL;
    return key;
}

/* The wide form of an ASCII value name, in `storage`. */
static BOOLEAN HwiPlayedName(UNICODE_STRING* name, WCHAR* storage, const char* ascii) {
    ULONG length = 0;
    while (ascii[length] != '\0') {
        if (length + 1 >= HWI_PLAYED_NAME_MAX) return FALSE;
        storage[length] = (WCHAR)(unsigned char)ascii[length];
        ++length;
    }
    storage[length] = L'\0';
    name->Buffer = storage;
    name->Length = (USHORT)(length * sizeof(WCHAR));
    name->MaximumLength = (USHORT)((length + 1) * sizeof(WCHAR));
    return TRUE;
}

static long HwiPlayedQuery(void* context, const char* ascii, unsigned long type, unsigned char* data,
                           unsigned long capacity) {
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + HWI_PLAYED_RESOURCES_MAX];
    } answer;
    WCHAR storage[HWI_PLAYED_NAME_MAX];
    UNICODE_STRING name;
    ULONG returned = 0;
    if (!HwiPlayedName(&name, storage, ascii)) return -1;
    /* A value longer than the answer fails with STATUS_BUFFER_OVERFLOW, which is no success. */
    if (!NT_SUCCESS(
            ZwQueryValueKey((HANDLE)context, &name, KeyValuePartialInformation, &answer, sizeof(answer), &returned)))
        return -1;
    if (answer.info.Type != type || answer.info.DataLength > capacity ||
        answer.info.DataLength > sizeof(answer) - FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data))
        return -1;
    RtlCopyMemory(data, answer.info.Data, answer.info.DataLength);
    return (long)answer.info.DataLength;
}

static void HwiPlayedSetDword(void* context, const char* ascii, unsigned long value) {
    WCHAR storage[HWI_PLAYED_NAME_MAX];
    UNICODE_STRING name;
    ULONG data = value;
    if (HwiPlayedName(&name, storage, ascii)) ZwSetValueKey((HANDLE)context, &name, 0, REG_DWORD, &data, sizeof(data));
}

/* The service key's values as the played rules read them; the key stays open
 * until the caller closes it. NULL when the key cannot be opened. */
static HANDLE HwiPlayedOpenValues(hwi_played_values* values) {
    HANDLE key = HwiPlayedOpenKey();
    values->context = key;
    values->query = HwiPlayedQuery;
    values->set_dword = HwiPlayedSetDword;
    return key;
}

UCHAR HwiReadPort(USHORT port) {
    hwi_played_values values;
    UCHAR value;
    HANDLE key = HwiPlayedOpenValues(&values);
    if (key == NULL) return 0;
    value = hwi_played_read(&values, port);
    ZwClose(key);
    return value;
}

void HwiWritePort(USHORT port, UCHAR value) {
    hwi_played_values values;
    HANDLE key = HwiPlayedOpenValues(&values);
    if (key == NULL) return;
    hwi_played_write(&values, port, value);
    ZwClose(key);
}

ULONG HwiParallelRanges(hwi_port_range* ranges, ULONG capacity) {
    hwi_played_values values;
    ULONG count;
    HANDLE key = HwiPlayedOpenValues(&values);
    if (key == NULL) return 0;
    count = hwi_played_parallel_ranges(&values, ranges, capacity);
    ZwClose(key);
    return count;
}

int HwiCallerMayWrite(int tokenMayWrite) {
    hwi_played_values values;
    int mayWrite;
    HANDLE key = HwiPlayedOpenValues(&values);
    if (key == NULL) return tokenMayWrite;
    mayWrite = hwi_played_caller_may_write(&values, tokenMayWrite);
    ZwClose(key);
    return mayWrite;
}
