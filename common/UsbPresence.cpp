#include "common/UsbPresence.h"

#include "common/Handles.h"
#include "common/core/UsbScan.h"

#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace pw::usb {

namespace {

// USB printer interface class {28d78fad-5a12-11d1-ae5b-0000f803a8c2}.
const GUID kUsbPrintInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// The present interfaces of one device information set.
class SetupDiInterfaces : public UsbInterfaceSource {
public:
    explicit SetupDiInterfaces(HDEVINFO set) : m_set(set) {}

    Entry Select(unsigned long index) override {
        m_data = {};
        m_data.cbSize = sizeof(m_data);
        if (SetupDiEnumDeviceInterfaces(m_set, nullptr, &kUsbPrintInterface, index, &m_data)) return Entry::Present;
        return GetLastError() == ERROR_NO_MORE_ITEMS ? Entry::NoMoreItems : Entry::Unreadable;
    }

    bool DevicePath(std::string& path) override {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(m_set, &m_data, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return false;
        heap_buffer buffer(required);
        if (!buffer) return false;
        auto* detail = buffer.as<SP_DEVICE_INTERFACE_DETAIL_DATA_A>();
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(m_set, &m_data, detail, required, nullptr, nullptr)) return false;
        // The path is bounded by the buffer the system filled, terminator or not.
        const std::size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        path.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
        return true;
    }

private:
    HDEVINFO m_set;
    SP_DEVICE_INTERFACE_DATA m_data = {};
};

}  // namespace

bool PrinterInterfacePresent(std::string_view serial) {
    unique_hdevinfo set(
        SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) return false;
    SetupDiInterfaces interfaces(set.get());
    return ScanForUsbPrinter(interfaces, serial);
}

}  // namespace pw::usb
