// The scan of the present USB printer interfaces for the model's printer, by
// the identity rule of UsbPrinterIdentity.h: the monitor's look for its
// printer, and the installer's for a printer already plugged in.
#pragma once

#include <string>
#include <string_view>

namespace pw::usb {

// The scan's view of the present USB printer interfaces.
class UsbInterfaceSource {
public:
    enum class Entry { Present, NoMoreItems, Unreadable };
    virtual ~UsbInterfaceSource() = default;
    // Selects the interface at `index`.
    virtual Entry Select(unsigned long index) = 0;
    // The selected interface's device path; false when its details cannot be read.
    virtual bool DevicePath(std::string& path) = 0;
};

// Enumeration that keeps failing with errors other than "no more items" must
// still end: no system lists this many printer interfaces.
constexpr unsigned long kMaxInterfaceIndex = 4096;

// True at the first interface whose path is this model's printer. Unreadable
// indexes are skipped; the walk ends at "no more items" or kMaxInterfaceIndex.
bool ScanForUsbPrinter(UsbInterfaceSource& source, std::string_view serial);

}  // namespace pw::usb
