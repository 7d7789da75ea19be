// Resource ids of Pagewarden.exe: the status window's template and controls,
// its icons, bitmap, animated cursors and the port-I/O driver image.
// Plain #defines so that both windres and C++ can include this file.
#ifndef PAGEWARDEN_MONITOR_RESOURCE_H
#define PAGEWARDEN_MONITOR_RESOURCE_H

// Status window (dialog template).
#define IDD_PAGEWARDEN_DIALOG       102

// Controls of the status window, in template order.
#define IDC_PRINTER_PICTURE         136   // static bitmap showing IDB_PRINTER
#define IDC_STATUS_ANIM             1002  // static icon: animated cursor of the current status
#define IDC_MESSAGE                 1005  // message text
#define IDC_OK_BUTTON               1007  // "Ok": hides the window
#define IDC_TIP                     1008  // printing tip
#define IDC_TITLE                   1004  // status title (14-point Arial)
#define IDC_VERSION                 1010  // version label

// Icons.
#define IDI_MAIN                    1009  // window icon
#define IDI_TRAY                    1010  // notification-area icon

// Bitmaps.
#define IDB_PRINTER                 152   // 102 x 74, 24-bit

// User-defined resources.
#define IDR_HWINTERFACE             164   // type "BIN": the port-I/O driver image
#define IDR_ANI_ATTENTION           165   // type "ANICURSORS": faults, "No Printer Found"
#define IDR_ANI_READY               166   // type "ANICURSORS": "Ready", "Printing"

// The tray menu's commands (the menu is built at run time, not a resource)
// are those other programs send too: contract/Programs.h.

#endif
