// CDialog: a dialog from a dialog template resource (an integer id in the
// program's module), run modally with the framework's own modal loop or
// created modeless; and dialog data exchange (CDataExchange, DDX_*).
//
// DoModal():
//   - The owner is the parent passed at construction; without one it is the
//     main window's last active popup (so a dialog run from another dialog's
//     handler is owned by that dialog), or none when there is no main window
//     yet. An enabled owner is disabled for the run and enabled again (and,
//     when visible, activated) at the end.
//   - The window is created from the template without being shown by the
//     framework (a template with WS_VISIBLE shows itself at creation, as
//     Windows does). OnInitDialog runs during creation.
//   - The loop offers every message to PreTranslateMessage of each framework
//     window from the message's window up to its top-level window (a dialog's
//     PreTranslateMessage passes keyboard and mouse messages to
//     IsDialogMessage; an override can swallow, for instance, Escape), then
//     translates and dispatches what nobody took.
//   - The first time the loop is idle (no message waiting), a dialog that is
//     not visible yet is shown with ShowWindow(SW_SHOWNORMAL); it goes through
//     ShowWindow, so an OnWindowPosChanging that removes SWP_SHOWWINDOW keeps
//     it hidden.
//   - EndDialog(result) hides the dialog at once and ends the loop when the
//     current handler returns; DoModal then destroys the window and returns
//     the result (-1 when the window could not be created or WM_QUIT arrived;
//     WM_QUIT is posted again for the outer loop).
//   - DoModal may be called from a handler of another dialog (nested modal
//     loops), and a dialog may hide itself before running the next.
// Create(templateId, parent): a modeless dialog; it is shown only when its
//   template has WS_VISIBLE. DestroyWindow (or the object's destructor) ends it.
// OnInitDialog: the base binds the controls with UpdateData(FALSE) and returns
//   TRUE (the system puts the focus on the first tab stop).
// OnOK: UpdateData(TRUE), then EndDialog(IDOK). OnCancel: EndDialog(IDCANCEL).
//   The commands IDOK and IDCANCEL reach them through CDialog's message map,
//   unless the derived class maps them itself.
//
// Data exchange: DoDataExchange(pDX) calls DDX_Text / DDX_Control for each
// control; pDX->m_bSaveAndValidate is TRUE when reading controls into members.
// DDX_Control attaches the control to its CWnd member once (later exchanges
// leave it alone).
#pragma once

#include "framework/Wnd.h"

#include <string>

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) noexcept
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;          // the dialog whose controls are exchanged

    // The control's window, or null (and the exchange marked failed) when it is missing.
    HWND PrepareCtrl(int nIDC);
    void Fail() noexcept { m_bFailed = true; }
    bool Failed() const noexcept { return m_bFailed; }

private:
    bool m_bFailed = false;
};

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr) noexcept;
    ~CDialog() override;

    virtual INT_PTR DoModal();
    // Modeless: TRUE when the window was created.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDHelp = 0;  // the template id

protected:
    virtual void OnOK();
    virtual void OnCancel();

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    HWND CreateFromTemplate(UINT nIDTemplate, HWND hWndOwner);
    HWND FindModalOwner() const;
    void RunModalLoop();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    INT_PTR m_nModalResult = -1;
    bool m_bContinueModal = false;
    bool m_bInModalLoop = false;
};

// The dialog procedure of framework dialogs.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
