// Resource ids of setup.exe: dialog templates and their controls, the
// program icon and the bitmaps. Plain #defines so that both windres and C++
// can include this file.
#ifndef PAGEWARDEN_SETUP_RESOURCE_H
#define PAGEWARDEN_SETUP_RESOURCE_H

// Dialog templates.
#define IDD_SETUP_DIALOG            102   // main dialog (model list)
#define IDD_PRINTER_CONNECTION      108   // waiting for the USB printer
#define IDD_PORT_SELECTION          109   // manual port selection
#define IDD_FILE_COPY               130   // please-wait window

// Icon and bitmaps.
#define IDB_MODEL                   129   // 96 x 96, 256 colours, printer on white
#define IDB_CONNECT                 131   // 425 x 160, 24-bit: power switch / USB cable
#define IDB_WAIT                    132   // computer with an installation box
#define IDI_SETUP                   133   // program icon, 16, 32 and 48 px

// Main dialog (IDD_SETUP_DIALOG); OK and Cancel are IDOK and IDCANCEL.
#define IDC_TAB                     1000
#define IDC_LIST                    1001
#define IDC_VERSION                 1009

// Port selection (IDD_PORT_SELECTION).
#define IDC_PORT_CANCEL             1006
#define IDC_PORT_OK                 1008
#define IDC_PORT_LIST               1016
#define IDC_CURRENT_PORT            1017

// USB connection (IDD_PRINTER_CONNECTION).
#define IDC_CONN_CANCEL             1005
#define IDC_CONN_PICTURE            1015
#define IDC_CONN_TEXT               1020
#define IDC_MANUAL                  1021

// Please-wait window (IDD_FILE_COPY).
#define IDC_WAIT_TEXT               1002

#endif
