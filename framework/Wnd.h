// CWnd: a window object that wraps one HWND and dispatches the window's
// messages through its class's message map (MessageMap.h).
//
// How a window gets its object:
//  - CreateEx creates the window; a class from AfxRegisterWndClass sends every
//    message, from the very first one, to the object. Any other class is
//    subclassed right after creation.
//  - SubclassWindow / DDX_Control attach an existing window (a dialog control).
//  - CDialog attaches its dialog window while it is being created.
// The object detaches itself when the window is destroyed (WM_NCDESTROY), so
// m_hWnd is null again afterwards. Destroying an object whose window it created
// destroys that window; an object that only subclassed a window gives it back
// its original window procedure and leaves it alive.
//
// A CWnd that never creates a window is a valid object: MessageBox then has no
// owner, and the wait cursor works (it belongs to the thread, not the window).
//
// Dispatch: the window procedure calls the virtual WindowProc, which offers the
// message to the message map and otherwise calls DefWindowProc (the window's
// original procedure, or ::DefWindowProcA). Default() runs the default
// processing of the message currently being handled, which is how the default
// members OnPaint, OnTimer, OnCtlColor, ... of this class behave; a derived
// handler changes what it needs and then calls its base class's member.
// While a wait cursor is on (WaitCursor.h), WM_SETCURSOR keeps it on over
// every framework window. No exception leaves the window procedure.
//
// Text is ANSI: every text call is the "A" form and takes or returns std::string.
#pragma once

#include "framework/MessageMap.h"
#include "framework/WaitCursor.h"

#include <map>
#include <memory>
#include <string>

class CDataExchange;
class CFont;

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() noexcept;
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    operator HWND() const noexcept { return m_hWnd; }

    // The framework object attached to a window, or null for a window that has none.
    static CWnd* FromHandle(HWND hWnd);
    // The framework object attached to hWnd if there is one, otherwise a
    // wrapper without ownership that this object keeps until its own window is
    // destroyed (or the object is): use it within the handler that got it.
    // Null only for a null hWnd.
    CWnd* ChildFromHandle(HWND hWnd);

    // Creation and attachment. All return FALSE and leave the object detached on failure.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y, int nWidth,
                  int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    BOOL SubclassWindow(HWND hWnd);
    // Gives the window back its original procedure; returns it detached (null if none).
    HWND UnsubclassWindow();
    virtual BOOL DestroyWindow();

    // Message processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled right now (0 outside a handler).
    LRESULT Default();
    // Called by the framework's message loops before a message is dispatched;
    // TRUE swallows it. The base does nothing.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Dialog data exchange: UpdateData(FALSE) writes members to controls,
    // UpdateData(TRUE) reads them back; FALSE when a control was missing.
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Thin operations on m_hWnd (the "A" functions).
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsIconic() const;
    void UpdateWindow();
    HWND SetFocus();
    BOOL SetForegroundWindow();
    void SetWindowText(const char* text);
    void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
    int GetWindowText(std::string& text) const;  // returns the length
    std::string GetWindowText() const;
    DWORD GetStyle() const;
    int GetDlgCtrlID() const;
    CWnd* GetDlgItem(int nID);  // as ChildFromHandle; null when there is no such control
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);
    void GetClientRect(LPRECT lpRect) const;
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);  // returns the previous icon
    // A message box owned by this window (no owner while m_hWnd is null);
    // a null caption means the application name.
    int MessageBox(const char* lpszText, const char* lpszCaption = nullptr, UINT nType = MB_OK);
    int MessageBox(const std::string& text, const char* lpszCaption = nullptr, UINT nType = MB_OK) {
        return MessageBox(text.c_str(), lpszCaption, nType);
    }
    // The thread's wait cursor (counted; see WaitCursor.h).
    void BeginWaitCursor();
    void EndWaitCursor();

protected:
    // Default handlers: each runs the window's default processing.
    void OnPaint();
    void OnTimer(UINT_PTR nIDEvent);
    HBRUSH OnCtlColor(HDC hdc, CWnd* pWnd, UINT nCtlColor);
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    HCURSOR OnQueryDragIcon();
    BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);

    // The message map dispatch with command routing: the window's map chain,
    // then, for WM_COMMAND, the application object's map.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Attaches this object to hWnd; superProc is the procedure to chain to (null: DefWindowProcA).
    void AttachWindow(HWND hWnd, WNDPROC superProc, bool ownsWindow);

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend struct AfxWndAccess;
    void DetachAfterDestroy();

    WNDPROC m_pfnSuper = nullptr;  // the window's procedure before ours
    bool m_bOwnsWindow = false;    // created by this object: destroyed with it
    bool m_bWrapper = false;       // a non-owning wrapper from ChildFromHandle
    std::map<HWND, std::unique_ptr<CWnd>> m_wrappers;
};

// The framework's window procedure (what AfxRegisterWndClass classes use).
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once per distinct set of arguments) a window class whose windows
// are dispatched to their CWnd from the first message on, and returns its name.
// The name stays valid for the life of the process. Null on failure.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                           HICON hIcon = nullptr);
