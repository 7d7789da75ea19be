// The scan of present USB printer interfaces and the broadcast check.
#include "monitor/portaccess/UsbPrinter.h"

#include <setupapi.h>

#include <cstring>

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "monitor/portaccess/core/UsbScan.h"

namespace {

// USB printer interface class {28d78fad-5a12-11d1-ae5b-0000f803a8c2}.
const GUID kUsbPrintInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// The present interfaces of one device information set.
class SetupDiInterfaces : public portaccess::UsbInterfaceSource {
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
        pw::heap_buffer buffer(required);
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

bool FindUsbPrinterPresent() {
    pw::unique_hdevinfo set(SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr,
                                                 DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) return false;
    SetupDiInterfaces interfaces(set.get());
    return portaccess::ScanForUsbPrinter(interfaces, catalogue::ModelUsbSerial);
}

pw::usb::DeviceChange CheckUsbPrinterBroadcast(WPARAM eventType, LPARAM broadcast) {
    // Other events may carry no broadcast at all: look at lParam only for these two.
    if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE)
        return pw::usb::DeviceChange::None;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(broadcast);
    if (header == nullptr) return pw::usb::DeviceChange::None;
    // The sender vouches for dbch_size bytes; nothing beyond them is read.
    return pw::usb::ClassifyDeviceChange(static_cast<unsigned long>(eventType),
                                         reinterpret_cast<const unsigned char*>(header),
                                         header->dbch_size, catalogue::ModelUsbSerial);
}
