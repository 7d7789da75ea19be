#include "common/core/UsbScan.h"

#include "common/core/UsbPrinterIdentity.h"

namespace pw::usb {

bool ScanForUsbPrinter(UsbInterfaceSource& source, std::string_view serial) {
    std::string path;
    for (unsigned long index = 0; index < kMaxInterfaceIndex; ++index) {
        switch (source.Select(index)) {
        case UsbInterfaceSource::Entry::NoMoreItems: return false;
        case UsbInterfaceSource::Entry::Unreadable: continue;
        case UsbInterfaceSource::Entry::Present: break;
        }
        if (source.DevicePath(path) && MatchesInterfacePath(path, serial)) return true;
    }
    return false;
}

}  // namespace pw::usb
