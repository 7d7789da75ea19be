// Message maps: per-class static tables that say which member handles which
// window message, command or notification.
//
//   class CMyDlg : public CDialog {
//       ...
//       void OnShowMonitor();
//       LRESULT OnStatusPoll(WPARAM, LPARAM);
//       DECLARE_MESSAGE_MAP()
//   };
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()                                  // calls OnPaint()
//       ON_COMMAND(101, &CMyDlg::OnShowMonitor)
//       ON_MESSAGE(0x502, &CMyDlg::OnStatusPoll)
//   END_MESSAGE_MAP()
//
// Every entry macro expands to a small function that casts the target to the
// class of the map and calls the handler with decoded arguments, so a handler
// of the wrong signature is a compile error, not a crash. Entries are matched
// in table order, the derived class's table first, then its base class's table,
// and so on up to CCmdTarget. The first matching entry handles the message.
//
// Handler signatures (the ON_WM_ macros call the member of the fixed name):
//   ON_WM_PAINT()             void    OnPaint()
//   ON_WM_TIMER()             void    OnTimer(UINT_PTR nIDEvent)
//   ON_WM_CTLCOLOR()          HBRUSH  OnCtlColor(HDC hdc, CWnd* pWnd, UINT nCtlColor)
//                                     (every WM_CTLCOLOR* message; nCtlColor is CTLCOLOR_MSGBOX..CTLCOLOR_STATIC)
//   ON_WM_WINDOWPOSCHANGING() void    OnWindowPosChanging(WINDOWPOS* lpwndpos)
//   ON_WM_QUERYDRAGICON()     HCURSOR OnQueryDragIcon()
//   ON_WM_DEVICECHANGE()      BOOL    OnDeviceChange(UINT nEventType, DWORD_PTR dwData)
//   ON_COMMAND(id, f)         void    f()      WM_COMMAND, code 0 (menu, button click) or 1 from an accelerator
//   ON_BN_CLICKED(id, f)      void    f()      WM_COMMAND, BN_CLICKED from control id
//   ON_LBN_SELCHANGE(id, f)   void    f()      WM_COMMAND, LBN_SELCHANGE from list box id
//   ON_NOTIFY(code, id, f)    void    f(NMHDR* pNMHDR, LRESULT* pResult)   (*pResult starts at 0;
//                                     only for notifications sent on the window's own thread)
//   ON_MESSAGE(msg, f)        LRESULT f(WPARAM wParam, LPARAM lParam)
// CWnd supplies default OnPaint/OnTimer/... members that run the window's
// default processing, so a handler can call its base class's version.
#pragma once

#include "framework/Object.h"

#include <windows.h>

#include <type_traits>

class CCmdTarget;
class CWnd;

// One row of a message map.
struct AFX_MSGMAP_ENTRY {
    enum Kind : unsigned char {
        End,      // terminates the table
        Message,  // nMessage..nLastMessage
        Command,  // WM_COMMAND with notification code nCode from id nID
        Notify    // WM_NOTIFY with code nCode from id nID
    };
    Kind kind;
    UINT nMessage;
    UINT nLastMessage;
    UINT nCode;
    UINT nID;
    LRESULT (*pfn)(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam);
};

// A class's table and the way to its base class's table.
struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The root of every class with a message map.
class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)

public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    ~CCmdTarget() override = default;

    // The most derived class's table (DECLARE_MESSAGE_MAP overrides it).
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Offers the message to the map chain, derived class first. True when an
    // entry took it; *pResult then holds the handler's result.
    bool DispatchMapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // True when the entry applies to this message (exposed for the dispatcher and its tests).
    static bool EntryMatches(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
};

#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

// The macros below are laid out by hand so that each entry reads as a table row.
// clang-format off
#define DECLARE_MESSAGE_MAP()                                   \
protected:                                                      \
    static const AFX_MSGMAP* GetThisMessageMap();               \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                               \
        using ThisClass = theClass;                                                 \
        using TheBaseClass = baseClass;                                             \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                           \
            { AFX_MSGMAP_ENTRY::End, 0, 0, 0, 0, nullptr } };                       \
        static_assert(std::is_base_of<TheBaseClass, ThisClass>::value,              \
                      "a message map's base class must be a base of its class");    \
        static const AFX_MSGMAP theMap = { &TheBaseClass::GetThisMessageMap, &entries[0] }; \
        return &theMap;                                                             \
    }

#define PW_AFX_MSG_ENTRY(first, last, body)                                          \
    { AFX_MSGMAP_ENTRY::Message, (UINT)(first), (UINT)(last), 0, 0,                  \
      [](CCmdTarget* t_, UINT m_, WPARAM w_, LPARAM l_) -> LRESULT {                 \
          (void)m_; (void)w_; (void)l_;                                              \
          ThisClass* self_ = static_cast<ThisClass*>(t_);                            \
          body } },

#define ON_WM_PAINT() \
    PW_AFX_MSG_ENTRY(WM_PAINT, WM_PAINT, self_->OnPaint(); return 0;)

#define ON_WM_TIMER() \
    PW_AFX_MSG_ENTRY(WM_TIMER, WM_TIMER, self_->OnTimer(static_cast<UINT_PTR>(w_)); return 0;)

#define ON_WM_CTLCOLOR()                                                              \
    PW_AFX_MSG_ENTRY(WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC,                            \
        return reinterpret_cast<LRESULT>(self_->OnCtlColor(                           \
            reinterpret_cast<HDC>(w_), self_->ChildFromHandle(reinterpret_cast<HWND>(l_)), \
            m_ - WM_CTLCOLORMSGBOX));)

#define ON_WM_WINDOWPOSCHANGING() \
    PW_AFX_MSG_ENTRY(WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGING, \
        self_->OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(l_)); return 0;)

#define ON_WM_QUERYDRAGICON() \
    PW_AFX_MSG_ENTRY(WM_QUERYDRAGICON, WM_QUERYDRAGICON, \
        return reinterpret_cast<LRESULT>(self_->OnQueryDragIcon());)

#define ON_WM_DEVICECHANGE() \
    PW_AFX_MSG_ENTRY(WM_DEVICECHANGE, WM_DEVICECHANGE, \
        return static_cast<LRESULT>(self_->OnDeviceChange(static_cast<UINT>(w_), static_cast<DWORD_PTR>(l_)));)

#define ON_MESSAGE(message, memberFxn) \
    PW_AFX_MSG_ENTRY(message, message, return (self_->*(memberFxn))(w_, l_);)

#define PW_AFX_CMD_ENTRY(kind, code, id, body)                                       \
    { AFX_MSGMAP_ENTRY::kind, 0, 0, (UINT)(code), (UINT)(id),                        \
      [](CCmdTarget* t_, UINT m_, WPARAM w_, LPARAM l_) -> LRESULT {                 \
          (void)m_; (void)w_; (void)l_;                                              \
          ThisClass* self_ = static_cast<ThisClass*>(t_);                            \
          body } },

#define ON_COMMAND(id, memberFxn) \
    PW_AFX_CMD_ENTRY(Command, 0, id, (self_->*(memberFxn))(); return 0;)

#define ON_BN_CLICKED(id, memberFxn) \
    PW_AFX_CMD_ENTRY(Command, BN_CLICKED, id, (self_->*(memberFxn))(); return 0;)

#define ON_LBN_SELCHANGE(id, memberFxn) \
    PW_AFX_CMD_ENTRY(Command, LBN_SELCHANGE, id, (self_->*(memberFxn))(); return 0;)

#define ON_NOTIFY(code, id, memberFxn)                                                \
    PW_AFX_CMD_ENTRY(Notify, code, id,                                                \
        LRESULT r_ = 0; (self_->*(memberFxn))(reinterpret_cast<NMHDR*>(l_), &r_); return r_;)
// clang-format on
