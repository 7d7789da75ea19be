// Recognising the monitored printer's USB device: the scan of present USB
// printer interfaces and the check of a WM_DEVICECHANGE broadcast.
// The identity rule itself is portable and shared with the installer
// (common/core/UsbPrinterIdentity.h).
#pragma once

#include <windows.h>

#include "common/core/UsbPrinterIdentity.h"

// True when an interface of the USB printer class with the path of this
// model's printer (vendor 0F3A, product 1101, ModelUsbSerial) is present.
bool FindUsbPrinterPresent();

// Decides a WM_DEVICECHANGE (wParam, lParam) for this model's printer:
// Arrived / Removed only for an arrival / remove-complete of a device-interface
// broadcast naming it; None for everything else (null lParam included).
pw::usb::DeviceChange CheckUsbPrinterBroadcast(WPARAM eventType, LPARAM broadcast);
