// Message maps: table order, derived class before base class, typed entries.
#include "test_support.h"

#include <dbt.h>

#include <gtest/gtest.h>

namespace {

constexpr UINT WM_BASE_ONLY = WM_APP + 1;
constexpr UINT WM_DERIVED_ONLY = WM_APP + 2;
constexpr UINT WM_UNMAPPED = WM_APP + 3;

class BaseMapDialog : public ScriptedDialog {
public:
    std::vector<std::string> log;
protected:
    void OnA() { log.push_back("base A"); }
    void OnB() { log.push_back("base B"); }
    LRESULT OnBaseOnly(WPARAM w, LPARAM l) {
        log.push_back("base message");
        return static_cast<LRESULT>(w + l);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseMapDialog, ScriptedDialog)
    ON_COMMAND(IDC_CMD_A, &BaseMapDialog::OnA)
    ON_COMMAND(IDC_CMD_B, &BaseMapDialog::OnB)
    ON_MESSAGE(WM_BASE_ONLY, &BaseMapDialog::OnBaseOnly)
END_MESSAGE_MAP()

class DerivedMapDialog : public BaseMapDialog {
protected:
    void OnDerivedA() { log.push_back("derived A"); }
    void OnSecondA() { log.push_back("second entry for A"); }
    LRESULT OnDerivedOnly(WPARAM, LPARAM) { return 22; }
    void OnMyCancel() {
        log.push_back("derived cancel");
        EndDialog(77);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedMapDialog, BaseMapDialog)
    ON_COMMAND(IDC_CMD_A, &DerivedMapDialog::OnDerivedA)
    ON_COMMAND(IDC_CMD_A, &DerivedMapDialog::OnSecondA)
    ON_MESSAGE(WM_DERIVED_ONLY, &DerivedMapDialog::OnDerivedOnly)
    ON_COMMAND(IDCANCEL, &DerivedMapDialog::OnMyCancel)
END_MESSAGE_MAP()

TEST(MessageMap, DerivedEntriesComeFirstThenTheBaseClassAndTheApplication) {
    DerivedMapDialog dlg;
    theApp.log.clear();
    LRESULT baseResult = 0, derivedResult = 0, unmapped = -1;
    dlg.onInit = [&](ScriptedDialog& d) {
        baseResult = d.SendMessage(WM_BASE_ONLY, 4, 5);
        derivedResult = d.SendMessage(WM_DERIVED_ONLY);
        unmapped = d.SendMessage(WM_UNMAPPED, 1, 1);
        d.PostMessage(WM_COMMAND, IDC_CMD_A, 0);
        d.PostMessage(WM_COMMAND, IDC_CMD_B, 0);
        d.PostMessage(WM_COMMAND, MAKEWPARAM(IDC_CMD_B, 1), 0);  // from an accelerator
        d.PostMessage(WM_COMMAND, IDC_APP_CMD, 0);
        d.PostMessage(WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_EQ(baseResult, 9);
    EXPECT_EQ(derivedResult, 22);
    EXPECT_EQ(unmapped, 0);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"base message", "derived A", "base B", "base B", "derived cancel"}));
    EXPECT_EQ(theApp.log, std::vector<std::string>{"app command"});

    // The base class alone keeps its own entries and CDialog's IDCANCEL.
    BaseMapDialog base;
    base.onInit = [](ScriptedDialog& d) {
        d.PostMessage(WM_COMMAND, IDC_CMD_A, 0);
        d.PostMessage(WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_EQ(base.DoModal(), IDCANCEL);
    EXPECT_EQ(base.log, std::vector<std::string>{"base A"});
}

// One of every typed entry.
class EntriesDialog : public ScriptedDialog {
public:
    std::vector<std::string> log;
    int paints = 0;
    HICON dragIcon = LoadIconA(nullptr, IDI_APPLICATION);
    CWnd* ctlColorWnd = nullptr;
    UINT ctlColorType = 99;
    HBRUSH defaultBrush = nullptr;
protected:
    void OnPaint() {
        ++paints;
        ScriptedDialog::OnPaint();  // validates the window
    }
    HBRUSH OnCtlColor(HDC hdc, CWnd* pWnd, UINT nCtlColor) {
        ctlColorWnd = pWnd;
        ctlColorType = nCtlColor;
        defaultBrush = ScriptedDialog::OnCtlColor(hdc, pWnd, nCtlColor);
        return defaultBrush;
    }
    HCURSOR OnQueryDragIcon() { return dragIcon; }
    BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData) {
        log.push_back("device " + std::to_string(nEventType) + " " + std::to_string(dwData));
        return TRUE;
    }
    void OnPush() { log.push_back("clicked"); }
    void OnListCommand() { log.push_back("list command"); }
    void OnSelChange() { log.push_back("selchange"); }
    void OnListClick(NMHDR* pNMHDR, LRESULT* pResult) {
        log.push_back("notify from " + std::to_string(pNMHDR->idFrom));
        *pResult = 5;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(EntriesDialog, ScriptedDialog)
    ON_WM_PAINT()
    ON_WM_CTLCOLOR()
    ON_WM_QUERYDRAGICON()
    ON_WM_DEVICECHANGE()
    ON_BN_CLICKED(IDC_PUSH, &EntriesDialog::OnPush)
    ON_LBN_SELCHANGE(IDC_LIST, &EntriesDialog::OnSelChange)
    ON_COMMAND(IDC_LIST, &EntriesDialog::OnListCommand)
    ON_NOTIFY(NM_CLICK, IDC_LISTVIEW, &EntriesDialog::OnListClick)
END_MESSAGE_MAP()

TEST(MessageMap, TypedEntriesDecodeTheirMessages) {
    EntriesDialog dlg;
    dlg.bindEdit = true;
    LRESULT dragIcon = 0, notifyResult = 0, deviceResult = 0, crossThreadNotify = -1;
    CWnd* staticWnd = nullptr;
    int staticId = 0;
    CWnd* staticAgain = nullptr;
    UINT staticType = 99, editType = 99;
    CWnd* editWnd = nullptr;
    HBRUSH staticBrush = nullptr;
    dlg.steps = {[&](ScriptedDialog& s) {
        EntriesDialog& d = static_cast<EntriesDialog&>(s);
        dragIcon = d.SendMessage(WM_QUERYDRAGICON);
        deviceResult = d.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 1234);

        HWND push = ::GetDlgItem(d.m_hWnd, IDC_PUSH);
        ::SendMessageA(push, BM_CLICK, 0, 0);

        HWND list = ::GetDlgItem(d.m_hWnd, IDC_LIST);
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));

        NMHDR hdr{::GetDlgItem(d.m_hWnd, IDC_LISTVIEW), IDC_LISTVIEW, static_cast<UINT>(NM_CLICK)};
        notifyResult = d.SendMessage(WM_NOTIFY, IDC_LISTVIEW, reinterpret_cast<LPARAM>(&hdr));
        NMHDR other{hdr.hwndFrom, IDC_LISTVIEW, static_cast<UINT>(NM_DBLCLK)};
        d.SendMessage(WM_NOTIFY, IDC_LISTVIEW, reinterpret_cast<LPARAM>(&other));
        // From another thread the header is not looked at.
        HWND dlgWnd = d.m_hWnd;
        volatile bool sent = false;
        std::thread sender([&] {
            crossThreadNotify = SendMessageA(dlgWnd, WM_NOTIFY, IDC_LISTVIEW, reinterpret_cast<LPARAM>(&hdr));
            sent = true;
        });
        PumpUntil([&] { return sent; }, 5000);  // a sent message is taken while we look for messages
        sender.join();

        HDC dc = ::GetDC(d.m_hWnd);
        HWND stat = ::GetDlgItem(d.m_hWnd, IDC_STATIC_TEXT);
        staticBrush = reinterpret_cast<HBRUSH>(
            d.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(stat)));
        staticWnd = d.ctlColorWnd;
        staticType = d.ctlColorType;
        // A wrapper lives as long as the dialog's window: look at it now.
        staticId = staticWnd ? staticWnd->GetDlgCtrlID() : 0;
        d.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(stat));
        staticAgain = d.ctlColorWnd;
        d.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                      reinterpret_cast<LPARAM>(::GetDlgItem(d.m_hWnd, IDC_EDIT)));
        editWnd = d.ctlColorWnd;
        editType = d.ctlColorType;
        ::ReleaseDC(d.m_hWnd, dc);

        ::InvalidateRect(d.m_hWnd, nullptr, TRUE);
        d.UpdateWindow();
                 },
                 [](ScriptedDialog& d) { d.EndDialog(1); }};
    EXPECT_EQ(dlg.DoModal(), 1);

    EXPECT_EQ(reinterpret_cast<HICON>(dragIcon), dlg.dragIcon);
    EXPECT_EQ(deviceResult, TRUE);
    EXPECT_EQ(notifyResult, 5);
    EXPECT_EQ(crossThreadNotify, 0);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"device 32768 1234", "clicked", "selchange", "notify from 1004"}));
    EXPECT_EQ(staticId, IDC_STATIC_TEXT);
    EXPECT_EQ(staticAgain, staticWnd);  // one wrapper per control
    EXPECT_EQ(staticType, static_cast<UINT>(CTLCOLOR_STATIC));
    EXPECT_EQ(editWnd, &dlg.edit);  // the bound member itself
    EXPECT_EQ(editType, static_cast<UINT>(CTLCOLOR_EDIT));
    EXPECT_NE(staticBrush, nullptr);  // the dialog's default brush came through
    EXPECT_GE(dlg.paints, 1);
}

TEST(MessageMap, CommandEntriesMatchCodeAndIdOnly) {
    auto command = [](UINT code, UINT id) {
        return AFX_MSGMAP_ENTRY{AFX_MSGMAP_ENTRY::Command, 0, 0, code, id, nullptr};
    };
    const AFX_MSGMAP_ENTRY onCommand = command(0, 101);
    const AFX_MSGMAP_ENTRY onSelChange = command(LBN_SELCHANGE, 101);
    const LPARAM control = 0x1234;
    EXPECT_TRUE(CCmdTarget::EntryMatches(onCommand, WM_COMMAND, MAKEWPARAM(101, 0), 0));
    EXPECT_TRUE(CCmdTarget::EntryMatches(onCommand, WM_COMMAND, MAKEWPARAM(101, 1), 0));  // accelerator
    EXPECT_FALSE(CCmdTarget::EntryMatches(onCommand, WM_COMMAND, MAKEWPARAM(101, 1), control));
    EXPECT_FALSE(CCmdTarget::EntryMatches(onCommand, WM_COMMAND, MAKEWPARAM(102, 0), 0));
    EXPECT_FALSE(CCmdTarget::EntryMatches(onCommand, WM_SYSCOMMAND, MAKEWPARAM(101, 0), 0));
    EXPECT_TRUE(CCmdTarget::EntryMatches(onSelChange, WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), control));
    EXPECT_FALSE(CCmdTarget::EntryMatches(onSelChange, WM_COMMAND, MAKEWPARAM(101, LBN_DBLCLK), control));

    const AFX_MSGMAP_ENTRY onNotify{AFX_MSGMAP_ENTRY::Notify, 0, 0, static_cast<UINT>(NM_CLICK), 1001, nullptr};
    NMHDR hdr{nullptr, 1001, static_cast<UINT>(NM_CLICK)};
    EXPECT_TRUE(CCmdTarget::EntryMatches(onNotify, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&hdr)));
    EXPECT_FALSE(CCmdTarget::EntryMatches(onNotify, WM_NOTIFY, 1001, 0));  // no header: no match, no crash
    hdr.idFrom = 1000;
    EXPECT_FALSE(CCmdTarget::EntryMatches(onNotify, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&hdr)));

    const AFX_MSGMAP_ENTRY ctlColor{AFX_MSGMAP_ENTRY::Message, WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, 0, 0, nullptr};
    EXPECT_TRUE(CCmdTarget::EntryMatches(ctlColor, WM_CTLCOLORDLG, 0, 0));
    EXPECT_TRUE(CCmdTarget::EntryMatches(ctlColor, WM_CTLCOLORSTATIC, 0, 0));
    EXPECT_FALSE(CCmdTarget::EntryMatches(ctlColor, WM_CTLCOLORSTATIC + 1, 0, 0));
}

}  // namespace
