#include "setup/PortSelection.h"

#include "framework/Framework.h"
#include "setup/PleaseWait.h"
#include "setup/SetupDlg.h"
#include "setup/SetupPlatform.h"
#include "setup/core/InstallFlow.h"
#include "setup/core/PortList.h"
#include "setup/core/SetupTexts.h"
#include "setup/engine/Installer.h"

std::string g_strSelectedPort;

CPortSelection::CPortSelection(CWnd* pParent) : CDialog(IDD, pParent) {}

void CPortSelection::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PORT_LIST, m_listPorts);
    DDX_Text(pDX, IDC_CURRENT_PORT, m_strCurrentPort);
}

BEGIN_MESSAGE_MAP(CPortSelection, CDialog)
    ON_LBN_SELCHANGE(IDC_PORT_LIST, &CPortSelection::OnSelchangePortList)
    ON_BN_CLICKED(IDC_PORT_OK, &CPortSelection::OnInstall)
    ON_BN_CLICKED(IDC_PORT_CANCEL, &CPortSelection::OnCancelButton)
END_MESSAGE_MAP()

BOOL CPortSelection::OnInitDialog() {
    CDialog::OnInitDialog();
    EnableInstall(false);
    if (!FillPortList()) {
        MessageBox(setup::core::kPortEnumerationFailed, setup::core::kCaption, MB_OKCANCEL);
        // Either answer leads to the exit confirmation.
        OnCancel();
    }
    return TRUE;
}

BOOL CPortSelection::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

void CPortSelection::EnableInstall(bool enable) {
    if (CWnd* ok = GetDlgItem(IDC_PORT_OK)) ok->EnableWindow(enable ? TRUE : FALSE);
}

int CPortSelection::FillPortList() {
    std::vector<setup::core::PortRecord> records;
    if (!setup::ui::EnumerateSpoolerPorts(records)) return 0;
    const setup::core::PortListing listing = setup::core::BuildPortListing(records);

    for (std::size_t i = 0; i < listing.entries.size(); ++i) {
        const setup::core::PortEntry& entry = listing.entries[i];
        // Inserted at its position, so the sorted list box keeps the spooler's order.
        const int index = m_listPorts.InsertString(static_cast<int>(i), entry.text.c_str());
        if (index < 0) continue;
        m_portNames.push_back(std::make_unique<std::string>(entry.name));
        m_listPorts.SetItemData(index, reinterpret_cast<DWORD_PTR>(m_portNames.back().get()));
        if (listing.preselected && *listing.preselected == i) {
            UpdateData(TRUE);
            m_listPorts.SetCurSel(index);
            m_listPorts.GetText(index, m_strCurrentPort);
            g_strSelectedPort = entry.name;
            EnableInstall(setup::core::CanInstallOnPort(g_strSelectedPort));
            UpdateData(FALSE);
        }
    }
    UpdateData(FALSE);
    return 1;
}

void CPortSelection::OnSelchangePortList() {
    const int index = m_listPorts.GetCurSel();
    if (index == LB_ERR) return;
    const DWORD_PTR data = m_listPorts.GetItemData(index);
    if (data == static_cast<DWORD_PTR>(LB_ERR) || data == 0) return;
    m_listPorts.GetText(index, m_strCurrentPort);
    g_strSelectedPort = *reinterpret_cast<const std::string*>(data);
    UpdateData(FALSE);
    EnableInstall(setup::core::CanInstallOnPort(g_strSelectedPort));
}

void CPortSelection::OnInstall() {
    // OK is disabled until a port is chosen; a stray click while installing does nothing.
    if (m_bInstalling || !setup::core::CanInstallOnPort(g_strSelectedPort)) return;
    m_bInstalling = true;

    ShowWindow(SW_HIDE);
    setup::ui::PleaseWait pleaseWait;
    // The window comes up first, then the wait cursor.
    pleaseWait.Create();
    pleaseWait.Show();

    CInstaller installer;
    installer.m_strPort = g_strSelectedPort;
    installer.InstallPrinter();

    pleaseWait.Hide();
    installer.ShowResult();
    CDialog::OnOK();
}

// IDOK itself does nothing here: only the OK button (1008) installs.
void CPortSelection::OnOK() {}

void CPortSelection::OnCancelButton() { OnCancel(); }

void CPortSelection::OnCancel() {
    if (m_bInstalling) return;
    if (setup::ui::ConfirmExitSetup(*this)) CDialog::OnCancel();
}
