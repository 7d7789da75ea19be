#include "setup/SetupDlg.h"

#include "catalogue/SetupCatalogue.h"
#include "framework/Framework.h"
#include "setup/PrinterConnection.h"
#include "setup/core/SetupTexts.h"
#include "setup/engine/FileCopy.h"

bool setup::ui::ConfirmExitSetup(CWnd& owner) {
    return owner.MessageBox(core::kExitConfirmation, core::kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

CSetupDlg::CSetupDlg(CWnd* pParent)
    : CDialog(IDD, pParent),
      m_hIcon(static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 0, 0,
                                              LR_DEFAULTSIZE | LR_SHARED))) {}

void CSetupDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TAB, m_tabCtrl);
    DDX_Control(pDX, IDC_LIST, m_listCtrl);
    DDX_Control(pDX, IDC_VERSION, m_staticVersion);
}

BEGIN_MESSAGE_MAP(CSetupDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_NOTIFY(NM_CLICK, IDC_LIST, &CSetupDlg::OnClickList)
    ON_NOTIFY(TCN_SELCHANGE, IDC_TAB, &CSetupDlg::OnSelchangeTab)
END_MESSAGE_MAP()

BOOL CSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_tabCtrl.InsertItem(0, "Printer Model");

    // Width 0: one image as wide as the bitmap is high; white is see-through.
    m_imageList.Create(IDB_MODEL, 0, 32, RGB(255, 255, 255));
    m_listCtrl.SetImageList(&m_imageList, LVSIL_NORMAL);
    // Without LVS_SHAREIMAGELISTS the list view destroys the list with itself:
    // once it holds it, it is the only owner.
    if (m_imageList.GetSafeHandle() && m_listCtrl.GetImageList(LVSIL_NORMAL) == m_imageList.GetSafeHandle() &&
        !(m_listCtrl.GetStyle() & LVS_SHAREIMAGELISTS))
        m_imageList.Detach();
    m_listCtrl.InsertItem(0, catalogue::ModelName, 0);
    m_listCtrl.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    // In icon view the count per page is the number of items: this is the one item.
    const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
    m_listCtrl.SetItemState(m_listCtrl.GetCountPerPage() - 1, state, state);
    m_listCtrl.SetIconSpacing(350, 0);

    m_staticVersion.SetWindowText(catalogue::VersionText);

    m_listCtrl.SetFocus();
    return TRUE;
}

BOOL CSetupDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

void CSetupDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.bottom - rect.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
}

HCURSOR CSetupDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CSetupDlg::OnClickList(NMHDR* pNMHDR, LRESULT* pResult) {
    CWnd* ok = GetDlgItem(IDOK);
    if (ok) {
        ok->EnableWindow(FALSE);
        // A click on empty space leaves OK off; a click on the item turns it on again.
        const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
        if (click->iItem != -1) ok->EnableWindow(TRUE);
    }
    *pResult = 0;
}

void CSetupDlg::OnSelchangeTab(NMHDR*, LRESULT* pResult) { *pResult = 0; }

void CSetupDlg::OnOK() {
    {
        CFileCopy staging(nullptr);
        staging.StageDriverFiles();
    }
    // From here on the main dialog is never shown again.
    ShowWindow(SW_HIDE);
    {
        CPrinterConnection connection(nullptr);
        connection.DoModal();
    }
    CDialog::OnOK();
}

void CSetupDlg::OnCancel() {
    if (setup::ui::ConfirmExitSetup(*this)) CDialog::OnCancel();
}
