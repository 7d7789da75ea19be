// The scan of present USB printer interfaces and the broadcast check.
#include "monitor/portaccess/UsbPrinter.h"

#include <dbt.h>

#include "catalogue/Catalogue.h"
#include "common/UsbPresence.h"

bool FindUsbPrinterPresent() { return pw::usb::PrinterInterfacePresent(catalogue::ModelUsbSerial); }

pw::usb::DeviceChange CheckUsbPrinterBroadcast(WPARAM eventType, LPARAM broadcast) {
    // Other events may carry no broadcast at all: look at lParam only for these two.
    if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE) return pw::usb::DeviceChange::None;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(broadcast);
    if (header == nullptr) return pw::usb::DeviceChange::None;
    // The sender vouches for dbch_size bytes; nothing beyond them is read.
    return pw::usb::ClassifyDeviceChange(static_cast<unsigned long>(eventType),
                                         reinterpret_cast<const unsigned char*>(header), header->dbch_size,
                                         catalogue::ModelUsbSerial);
}
