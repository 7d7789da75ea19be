// CPrinterConnection: waits, without a time limit, for this model's printer to
// arrive on USB (or finds it plugged in already when it opens) and then
// installs it on the port the USB printing support gave it; Manual leads to
// the port selection instead. However this dialog ends, the setup ends with it.
//
// The installation never runs inside the system's WM_DEVICECHANGE: the system
// waits for every window's answer to its broadcast, so the dialog posts itself
// WM_PRINTER_ARRIVED and installs from its own queue.
#pragma once

#include "common/Handles.h"
#include "framework/Dialog.h"
#include "resources/SetupResource.h"

class CPrinterConnection : public CDialog {
public:
    enum { IDD = IDD_PRINTER_CONNECTION };

    explicit CPrinterConnection(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Unregistered on every way out: arrival, Manual, Cancel and destruction.
    pw::unique_hdevnotify m_hDevNotify;

protected:
    BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);
    LRESULT OnPrinterArrived(WPARAM, LPARAM);
    void OnManual();
    void OnCancelButton();
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()

private:
    // Takes the printer: the installation follows from the dialog's own queue.
    void TakeArrival();
    void InstallArrivedPrinter();
    // Set once the printer is taken: a broadcast that comes in before or while
    // the installation runs must not start a second one, and Manual and Cancel
    // no longer apply.
    bool m_bArrived = false;
    bool m_bInstalling = false;
};
