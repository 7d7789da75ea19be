// Dialogs from templates: creation, the modal loop, data exchange.
#include "framework/Dialog.h"

#include "framework/WinApp.h"

void AfxAttachWindow(CWnd* wnd, HWND hWnd, WNDPROC superProc, bool ownsWindow);

namespace {
// The dialog being created on this thread: its window is attached on the
// first message its dialog procedure receives.
thread_local CDialog* t_creatingDialog = nullptr;
}  // namespace

IMPLEMENT_DYNAMIC(CDialog, CWnd)

// ---------------------------------------------------------------------------
// Data exchange

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND h = (m_pDlgWnd && m_pDlgWnd->m_hWnd) ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (h == nullptr) Fail();
    return h;
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    HWND h = pDX->PrepareCtrl(nIDC);
    if (h == nullptr) return;
    CWnd* ctl = pDX->m_pDlgWnd->ChildFromHandle(h);
    if (ctl == nullptr) {
        pDX->Fail();
        return;
    }
    if (pDX->m_bSaveAndValidate)
        ctl->GetWindowText(value);
    else
        ctl->SetWindowText(value);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd != nullptr) return;  // bound once, on the first exchange
    HWND h = pDX->PrepareCtrl(nIDC);
    if (h == nullptr) return;
    if (!rControl.SubclassWindow(h)) pDX->Fail();
}

// ---------------------------------------------------------------------------
// CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) noexcept
    : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dlg = static_cast<CDialog*>(CWnd::FromHandle(hWnd));
    if (dlg == nullptr && t_creatingDialog != nullptr) {
        // First message of the dialog being created (WM_SETFONT or WM_INITDIALOG):
        // from now on every message goes through the framework's window procedure.
        dlg = t_creatingDialog;
        t_creatingDialog = nullptr;
        WNDPROC dialogClassProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
        AfxAttachWindow(dlg, hWnd, dialogClassProc, true);
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
    }
    if (dlg != nullptr && message == WM_INITDIALOG) {
        try {
            return dlg->OnInitDialog();
        } catch (...) {
            return TRUE;
        }
    }
    // Everything else was offered to the message map before it reached the dialog manager.
    return FALSE;
}

HWND CDialog::CreateFromTemplate(UINT nIDTemplate, HWND hWndOwner) {
    if (m_hWnd != nullptr) return nullptr;
    CDialog* outer = t_creatingDialog;
    t_creatingDialog = this;
    HWND h = CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nIDTemplate), hWndOwner, &AfxDlgProc, 0);
    t_creatingDialog = outer;
    if (h == nullptr) return nullptr;
    if (m_hWnd != h) {
        // The dialog procedure never saw a message (should not happen); attach now.
        if (!SubclassWindow(h)) {
            ::DestroyWindow(h);
            return nullptr;
        }
    }
    return h;
}

HWND CDialog::FindModalOwner() const {
    if (m_pParentWnd != nullptr) {
        HWND h = m_pParentWnd->m_hWnd;
        // A popup cannot be owned by a child window: use its top-level window.
        while (h && (GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
        return h;
    }
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || main == this || main->m_hWnd == nullptr) return nullptr;
    HWND h = main->m_hWnd;
    while (h && (GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
    return h ? GetLastActivePopup(h) : nullptr;
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd != nullptr) return -1;
    HWND owner = FindModalOwner();
    bool reenableOwner = false;
    if (owner && owner != GetDesktopWindow() && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        reenableOwner = true;
    }

    m_nModalResult = -1;
    m_bContinueModal = true;  // EndDialog inside OnInitDialog skips the loop
    HWND h = CreateFromTemplate(m_nIDTemplate, owner);
    if (h != nullptr && m_bContinueModal) RunModalLoop();
    m_bContinueModal = false;

    bool wasActive = h != nullptr && GetActiveWindow() == h;
    if (m_hWnd) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (reenableOwner && IsWindow(owner)) ::EnableWindow(owner, TRUE);
    if (owner && IsWindow(owner) && ::IsWindowVisible(owner) &&
        (wasActive || GetActiveWindow() == nullptr || GetActiveWindow() == h)) {
        ::SetActiveWindow(owner);
    }
    if (m_hWnd) ::DestroyWindow(m_hWnd);  // detaches on WM_NCDESTROY
    return m_nModalResult;
}

namespace {
// Messages after which the loop counts as idle again (as opposed to the
// steady trickle of paint, caret and mouse-move messages).
bool IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
    case WM_PAINT:
    case 0x0118:  // the system's caret-blink timer
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: return false;
    default: return true;
    }
}

// Offers the message to every framework window from its target up to the top-level window.
bool WalkPreTranslate(MSG& msg) {
    for (HWND h = msg.hwnd; h != nullptr; h = ::GetParent(h)) {
        if (CWnd* w = CWnd::FromHandle(h)) {
            if (w->PreTranslateMessage(&msg)) return true;
        }
        if (!(GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}
}  // namespace

void CDialog::RunModalLoop() {
    m_bInModalLoop = true;
    bool showOnIdle = !(GetStyle() & WS_VISIBLE);
    bool idle = true;
    MSG msg{};
    while (m_bContinueModal) {
        if (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (showOnIdle) {
                showOnIdle = false;
                ShowWindow(SW_SHOWNORMAL);
                UpdateWindow();
            }
            idle = false;
            continue;  // a handler of the showing may have ended the dialog
        }
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // WM_QUIT belongs to the outermost loop: leave it in the queue for it.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = -1;
            break;
        }
        if (showOnIdle && (msg.message == 0x0118 || msg.message == WM_SYSKEYDOWN)) {
            showOnIdle = false;
            ShowWindow(SW_SHOWNORMAL);
            UpdateWindow();
        }
        try {
            if (!WalkPreTranslate(msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } catch (...) {
            // Nothing escapes the loop; the message is simply dropped.
        }
        if (IsIdleMessage(msg)) idle = true;
    }
    m_bInModalLoop = false;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CWnd::WindowProc(message, wParam, lParam);
    // A handler that ended the dialog may have run nested loops (message boxes,
    // other dialogs) that took the wake-up EndDialog posted, and a handler of a
    // sent message runs while the modal loop waits: wake it once more, now that
    // the handler has returned.
    if (m_bInModalLoop && !m_bContinueModal && message != WM_NULL && m_hWnd != nullptr)
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_nIDHelp = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND owner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    return CreateFromTemplate(nIDTemplate, owner) != nullptr ? TRUE : FALSE;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bContinueModal = false;
    if (m_hWnd) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        // Wakes a loop that is waiting for its next message.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (CWnd::PreTranslateMessage(pMsg)) return TRUE;
    if (m_hWnd == nullptr || pMsg == nullptr) return FALSE;
    bool keyboard = pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST;
    bool mouse = pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST;
    if (!keyboard && !mouse) return FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }
