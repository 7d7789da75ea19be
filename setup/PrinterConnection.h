// CPrinterConnection: waits, without a time limit, for this model's printer to
// arrive on USB and then installs it on the port the USB printing support gave
// it; Manual leads to the port selection instead. However this dialog ends,
// the setup ends with it.
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
    void OnManual();
    void OnCancelButton();
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()

private:
    void InstallArrivedPrinter();
    // Set once the printer has arrived: a broadcast that comes in while the
    // installation shows its messages must not start a second one.
    bool m_bArrived = false;
};
