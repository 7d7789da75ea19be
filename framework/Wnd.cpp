// Window objects, the framework's window procedure and message-map dispatch.
#include "framework/Wnd.h"

#include "framework/Dialog.h"
#include "framework/Controls.h"
#include "framework/WaitCursor.h"
#include "framework/WinApp.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

namespace {

// Window properties that tie a window to its object and to the procedure we
// replaced. The second one lets our procedure keep forwarding even after the
// object has let go of a window it could not unsubclass cleanly.
const char kPropObject[] = "pw.fw.CWnd";
const char kPropSuper[] = "pw.fw.super";

// The message being handled on this thread, for Default().
struct CurrentMessage {
    CWnd* wnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
thread_local CurrentMessage t_current;

// The object that CreateEx is creating: the first message to a framework-class
// window without an object belongs to it.
thread_local CWnd* t_creating = nullptr;

}  // namespace

// Friend access for the dialog procedure and the window procedure.
struct AfxWndAccess {
    static void Attach(CWnd* w, HWND h, WNDPROC super, bool owns) { w->AttachWindow(h, super, owns); }
    static void Detach(CWnd* w) { w->DetachAfterDestroy(); }
};

void AfxAttachWindow(CWnd* wnd, HWND hWnd, WNDPROC superProc, bool ownsWindow) {
    AfxWndAccess::Attach(wnd, hWnd, superProc, ownsWindow);
}

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

// CWnd has a table of its own (empty) so derived maps chain through it.
BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

// ---------------------------------------------------------------------------
// The window procedure

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = static_cast<CWnd*>(GetPropA(hWnd, kPropObject));
    if (wnd == nullptr && t_creating != nullptr) {
        // First message of a window that CreateEx is creating.
        wnd = t_creating;
        t_creating = nullptr;
        AfxWndAccess::Attach(wnd, hWnd, nullptr, true);
    }
    if (wnd == nullptr) {
        WNDPROC super = reinterpret_cast<WNDPROC>(GetPropA(hWnd, kPropSuper));
        return super ? CallWindowProcA(super, hWnd, message, wParam, lParam)
                     : DefWindowProcA(hWnd, message, wParam, lParam);
    }

    CurrentMessage saved = t_current;
    t_current = CurrentMessage{wnd, message, wParam, lParam};
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // A handler must not unwind through the system; treat it as unhandled.
        result = 0;
    }
    t_current = saved;
    if (message == WM_NCDESTROY) AfxWndAccess::Detach(wnd);
    return result;
}

CWnd::CWnd() noexcept = default;

CWnd::~CWnd() {
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
    if (m_hWnd != nullptr && !m_bWrapper) {
        if (m_bOwnsWindow) {
            // Let go first so that the destruction messages do not reach a half-destroyed object.
            HWND h = UnsubclassWindow();
            if (h) ::DestroyWindow(h);
        } else {
            UnsubclassWindow();
        }
    }
    m_wrappers.clear();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    // Another process's framework window carries a pointer that means nothing here.
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(hWnd, &pid) || pid != GetCurrentProcessId()) return nullptr;
    return static_cast<CWnd*>(GetPropA(hWnd, kPropObject));
}

CWnd* CWnd::ChildFromHandle(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    if (CWnd* attached = FromHandle(hWnd)) return attached;
    auto& slot = m_wrappers[hWnd];
    if (!slot) {
        slot.reset(new (std::nothrow) CWnd);
        if (!slot) return nullptr;
        slot->m_bWrapper = true;
    }
    slot->m_hWnd = hWnd;
    return slot.get();
}

void CWnd::AttachWindow(HWND hWnd, WNDPROC superProc, bool ownsWindow) {
    m_hWnd = hWnd;
    m_pfnSuper = superProc;
    m_bOwnsWindow = ownsWindow;
    SetPropA(hWnd, kPropObject, this);
    if (superProc) SetPropA(hWnd, kPropSuper, reinterpret_cast<HANDLE>(superProc));
}

void CWnd::DetachAfterDestroy() {
    if (m_hWnd == nullptr) return;
    RemovePropA(m_hWnd, kPropObject);
    RemovePropA(m_hWnd, kPropSuper);
    if (m_pfnSuper) SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    m_bOwnsWindow = false;
    m_wrappers.clear();
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd != nullptr || lpszClassName == nullptr) return FALSE;
    CWnd* outer = t_creating;
    t_creating = this;
    HWND h = CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName ? lpszWindowName : "", dwStyle, x, y, nWidth,
                             nHeight, hWndParent, nIDorHMenu, AfxGetInstanceHandle(), lpParam);
    bool attachedDuringCreate = (t_creating == nullptr);
    t_creating = outer;
    if (h == nullptr) {
        // A window that failed in WM_NCCREATE/WM_CREATE has already been detached by WM_NCDESTROY.
        m_hWnd = nullptr;
        return FALSE;
    }
    if (!attachedDuringCreate || m_hWnd != h) {
        // Not one of our classes: take over its procedure now.
        if (!SubclassWindow(h)) {
            ::DestroyWindow(h);
            return FALSE;
        }
        m_bOwnsWindow = true;
    }
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (m_hWnd != nullptr || hWnd == nullptr || !IsWindow(hWnd) || FromHandle(hWnd) != nullptr) return FALSE;
    WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
    if (old == &AfxWndProc) {
        // Already ours (a framework-class window, or one given back by
        // UnsubclassWindow): chaining to ourselves would recurse forever.
        AttachWindow(hWnd, reinterpret_cast<WNDPROC>(GetPropA(hWnd, kPropSuper)), false);
        return TRUE;
    }
    AttachWindow(hWnd, old, false);
    SetLastError(0);
    if (SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)) == 0 && GetLastError() != 0) {
        // Another process's window cannot be subclassed.
        RemovePropA(hWnd, kPropObject);
        RemovePropA(hWnd, kPropSuper);
        m_hWnd = nullptr;
        m_pfnSuper = nullptr;
        return FALSE;
    }
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    HWND h = m_hWnd;
    if (h == nullptr) return nullptr;
    WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC));
    RemovePropA(h, kPropObject);
    if (m_pfnSuper && current == &AfxWndProc) {
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        RemovePropA(h, kPropSuper);
    }
    // Otherwise someone subclassed over us: kPropSuper stays so AfxWndProc keeps forwarding.
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    m_bOwnsWindow = false;
    m_wrappers.clear();
    return h;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) return FALSE;
    // WM_NCDESTROY detaches an attached object; a wrapper's window goes the same way.
    return ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    // Keep the hourglass over our windows while work is in progress.
    if (message == WM_SETCURSOR && AfxKeepWaitCursor()) return TRUE;
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    // A notification header is only a pointer: one sent from another thread or
    // process cannot be trusted to point at anything, and our own controls
    // always notify on this thread.
    if (message == WM_NOTIFY && (InSendMessageEx(nullptr) & ISMEX_SEND)) return FALSE;
    if (DispatchMapped(message, wParam, lParam, pResult)) return TRUE;
    if (message == WM_COMMAND) {
        if (CWinApp* app = AfxGetApp()) return app->DispatchMapped(message, wParam, lParam, pResult);
    }
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    if (t_current.wnd != this || m_hWnd == nullptr) return 0;
    return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    if (m_hWnd == nullptr) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

// ---------------------------------------------------------------------------
// Default handlers

void CWnd::OnPaint() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
HBRUSH CWnd::OnCtlColor(HDC, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void CWnd::OnWindowPosChanging(WINDOWPOS*) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
BOOL CWnd::OnDeviceChange(UINT, DWORD_PTR) { return static_cast<BOOL>(Default()); }

// ---------------------------------------------------------------------------
// Operations

BOOL CWnd::ShowWindow(int nCmdShow) { return m_hWnd ? ::ShowWindow(m_hWnd, nCmdShow) : FALSE; }
BOOL CWnd::EnableWindow(BOOL bEnable) { return m_hWnd ? ::EnableWindow(m_hWnd, bEnable) : FALSE; }
BOOL CWnd::IsIconic() const { return m_hWnd ? ::IsIconic(m_hWnd) : FALSE; }
void CWnd::UpdateWindow() {
    if (m_hWnd) ::UpdateWindow(m_hWnd);
}
HWND CWnd::SetFocus() { return m_hWnd ? ::SetFocus(m_hWnd) : nullptr; }
BOOL CWnd::SetForegroundWindow() { return m_hWnd ? ::SetForegroundWindow(m_hWnd) : FALSE; }

void CWnd::SetWindowText(const char* text) {
    if (m_hWnd) ::SetWindowTextA(m_hWnd, text ? text : "");
}

int CWnd::GetWindowText(std::string& text) const {
    text.clear();
    if (m_hWnd == nullptr) return 0;
    int len = ::GetWindowTextLengthA(m_hWnd);
    if (len <= 0) return 0;
    std::vector<char> buf(static_cast<size_t>(len) + 1, '\0');
    int got = ::GetWindowTextA(m_hWnd, buf.data(), len + 1);
    if (got < 0) got = 0;
    if (got > len) got = len;
    text.assign(buf.data(), static_cast<size_t>(got));
    return got;
}

std::string CWnd::GetWindowText() const {
    std::string s;
    GetWindowText(s);
    return s;
}

DWORD CWnd::GetStyle() const { return m_hWnd ? static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_STYLE)) : 0; }

int CWnd::GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(m_hWnd) : 0; }

CWnd* CWnd::GetDlgItem(int nID) {
    if (m_hWnd == nullptr) return nullptr;
    return ChildFromHandle(::GetDlgItem(m_hWnd, nID));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? ::SendMessageA(m_hWnd, message, wParam, lParam) : 0;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? ::PostMessageA(m_hWnd, message, wParam, lParam) : FALSE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return m_hWnd ? ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer) : 0;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return m_hWnd ? ::KillTimer(m_hWnd, nIDEvent) : FALSE; }

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    if (m_hWnd == nullptr || !::GetClientRect(m_hWnd, lpRect)) SetRectEmpty(lpRect);
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    if (m_hWnd == nullptr) return;
    HFONT h = pFont ? pFont->GetSafeHandle() : nullptr;
    ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(h), MAKELPARAM(bRedraw ? TRUE : FALSE, 0));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    if (m_hWnd == nullptr) return nullptr;
    return reinterpret_cast<HICON>(
        ::SendMessageA(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

int CWnd::MessageBox(const char* lpszText, const char* lpszCaption, UINT nType) {
    return ::MessageBoxA(m_hWnd, lpszText ? lpszText : "", lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

void CWnd::BeginWaitCursor() { AfxDoWaitCursor(1); }
void CWnd::EndWaitCursor() { AfxDoWaitCursor(-1); }

// ---------------------------------------------------------------------------
// Window classes

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    static std::mutex lock;
    static std::set<std::string> names;  // the returned pointers live as long as the process
    char name[96];
    std::snprintf(name, sizeof name, "PwFw:%p:%x:%p:%p:%p", static_cast<void*>(AfxGetInstanceHandle()), nClassStyle,
                  static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    std::lock_guard<std::mutex> guard(lock);
    auto found = names.find(name);
    if (found != names.end()) return found->c_str();

    WNDCLASSA wc{};
    wc.style = nClassStyle;
    wc.lpfnWndProc = &AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.lpszClassName = name;
    WNDCLASSA existing{};
    if (!GetClassInfoA(wc.hInstance, name, &existing) && !RegisterClassA(&wc)) return nullptr;
    return names.insert(name).first->c_str();
}
