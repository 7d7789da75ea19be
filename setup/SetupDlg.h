// CSetupDlg: the installer's main dialog. It shows the one model this build
// installs; OK stages the driver files and hands over to the USB connection
// dialog, never to be shown again; Cancel ends the setup after a confirmation.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "resources/SetupResource.h"

class CSetupDlg : public CDialog {
public:
    enum { IDD = IDD_SETUP_DIALOG };

    explicit CSetupDlg(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;
    // Escape would close the dialog; it is swallowed before the dialog sees it.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    CTabCtrl m_tabCtrl;
    CListCtrl m_listCtrl;
    CImageList m_imageList;
    CStatic m_staticVersion;
    HICON m_hIcon;  // shared icon from the program's resources: not destroyed

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnClickList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnSelchangeTab(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()
};

namespace setup::ui {
// The confirmation that guards Cancel in every dialog of the setup: true when
// the user answers Yes.
bool ConfirmExitSetup(CWnd& owner);
}  // namespace setup::ui
