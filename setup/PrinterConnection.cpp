#include "setup/PrinterConnection.h"

#include "catalogue/Catalogue.h"
#include "common/UsbPresence.h"
#include "common/core/UsbPrinterIdentity.h"
#include "framework/Framework.h"
#include "setup/PleaseWait.h"
#include "setup/PortSelection.h"
#include "setup/SetupDlg.h"
#include "setup/SetupPlatform.h"
#include "setup/core/InstallFlow.h"
#include "setup/core/SetupTexts.h"
#include "setup/core/UsbPort.h"
#include "setup/engine/Installer.h"

#include <cstring>
#include <optional>

namespace {

// Posted by the dialog to itself once the printer is there.
constexpr UINT WM_PRINTER_ARRIVED = WM_APP + 1;

// The printer's USB port; nothing (after telling the user) when it cannot be read.
std::optional<std::string> ReadUsbPort() {
    setup::ui::Win32UsbPortRegistry registry;
    std::optional<std::string> port = setup::core::ResolveUsbPort(registry, catalogue::ModelUsbSerial);
    if (!port) AfxMessageBox(setup::core::kConnectPrinterProperly, MB_OK | MB_ICONEXCLAMATION);
    return port;
}

}  // namespace

CPrinterConnection::CPrinterConnection(CWnd* pParent) : CDialog(IDD, pParent) {}

BEGIN_MESSAGE_MAP(CPrinterConnection, CDialog)
    ON_WM_DEVICECHANGE()
    ON_MESSAGE(WM_PRINTER_ARRIVED, &CPrinterConnection::OnPrinterArrived)
    ON_BN_CLICKED(IDC_MANUAL, &CPrinterConnection::OnManual)
    ON_BN_CLICKED(IDC_CONN_CANCEL, &CPrinterConnection::OnCancelButton)
END_MESSAGE_MAP()

BOOL CPrinterConnection::OnInitDialog() {
    CDialog::OnInitDialog();
    // Not tested: without a registration no arrival is seen and Manual or Cancel remain.
    m_hDevNotify.reset(setup::ui::RegisterUsbDeviceArrivals(m_hWnd));
    // The system announces no arrival of a printer that is plugged in and on
    // already. Looked for after the registration, so that one plugged in
    // meanwhile is seen one way or the other.
    if (pw::usb::PrinterInterfacePresent(catalogue::ModelUsbSerial)) TakeArrival();
    return TRUE;
}

BOOL CPrinterConnection::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CPrinterConnection::OnDeviceChange(UINT nEventType, DWORD_PTR dwData) {
    if (m_bArrived || nEventType != DBT_DEVICEARRIVAL || dwData == 0) return FALSE;
    const auto* broadcast = reinterpret_cast<const unsigned char*>(dwData);
    // The header says how many bytes the system handed over; nothing past them is read.
    DWORD size = 0;
    std::memcpy(&size, broadcast, sizeof size);
    if (pw::usb::ClassifyDeviceChange(nEventType, broadcast, size, catalogue::ModelUsbSerial) !=
        pw::usb::DeviceChange::Arrived)
        return FALSE;
    TakeArrival();
    return FALSE;
}

void CPrinterConnection::TakeArrival() {
    // The broadcast's sender waits for this handler; the installation takes
    // seconds to a minute and shows messages.
    m_bArrived = ::PostMessageA(m_hWnd, WM_PRINTER_ARRIVED, 0, 0) != FALSE;
}

LRESULT CPrinterConnection::OnPrinterArrived(WPARAM, LPARAM) {
    // Once, and only for a printer this dialog took.
    if (!m_bArrived || m_bInstalling) return 0;
    m_bInstalling = true;
    InstallArrivedPrinter();
    return 0;
}

void CPrinterConnection::InstallArrivedPrinter() {
    CInstaller installer;
    m_hDevNotify.reset();
    // Hides this dialog now; its modal loop ends when this handler returns.
    CDialog::OnOK();

    setup::ui::PleaseWait pleaseWait;
    pleaseWait.Show();
    // The USB printing support needs a moment to set up the printer's port.
    Sleep(2000);

    setup::core::ArrivalOutcome outcome;
    setup::core::ArrivalStep step = setup::core::ArrivalStep::StageInf;
    while (step != setup::core::ArrivalStep::Done) {
        setup::core::ArrivalResult result;
        switch (step) {
        case setup::core::ArrivalStep::StageInf: result.succeeded = installer.StageInf() == 1; break;
        case setup::core::ArrivalStep::ReadUsbPort: result.port = ReadUsbPort(); break;
        case setup::core::ArrivalStep::InstallPrinter:
            installer.m_strPort = outcome.port;
            installer.InstallPrinter();
            result.succeeded = true;
            break;
        case setup::core::ArrivalStep::Done: break;
        }
        step = setup::core::NextArrivalStep(step, result, outcome);
    }

    pleaseWait.Hide();
    if (outcome.report == setup::core::FlowReport::InstallerResult) {
        installer.ShowResult();
    } else {
        ::MessageBoxA(nullptr, setup::core::kNothingInstalled, setup::core::kCaption, MB_OK | MB_ICONHAND);
    }
}

void CPrinterConnection::OnManual() {
    if (m_bArrived) return;
    m_hDevNotify.reset();
    ShowWindow(SW_HIDE);
    {
        CPortSelection ports(nullptr);
        ports.DoModal();
    }
    CDialog::OnOK();
}

void CPrinterConnection::OnCancelButton() { OnCancel(); }

void CPrinterConnection::OnCancel() {
    if (m_bArrived) return;
    if (!setup::ui::ConfirmExitSetup(*this)) return;
    m_hDevNotify.reset();
    CDialog::OnCancel();
}
