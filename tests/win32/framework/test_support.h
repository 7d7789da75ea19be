// Test dialogs that drive themselves: a dialog runs a list of steps, one per
// tick of a short timer, and ends itself through a watchdog if a test forgets
// to, so every test ends on its own.
#pragma once

#include "framework/Framework.h"
#include "test_ids.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

constexpr INT_PTR kTimedOut = -99;

class ScriptedDialog : public CDialog {
public:
    using Step = std::function<void(ScriptedDialog&)>;

    explicit ScriptedDialog(UINT nIDTemplate = IDD_PLAIN, CWnd* pParent = nullptr) : CDialog(nIDTemplate, pParent) {}

    std::vector<Step> steps;  // run one per tick, in order
    std::function<void(ScriptedDialog&)> onInit;
    std::function<bool(MSG*)> preTranslate;  // true swallows the message
    bool suppressShow = false;               // remove SWP_SHOWWINDOW from every position change
    int showAttempts = 0;                    // position changes that asked to show the window
    bool bindEdit = false;
    std::string text;  // exchanged with IDC_EDIT
    CEdit edit;        // bound to IDC_EDIT when bindEdit

    using CDialog::OnCancel;
    using CDialog::OnOK;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);

    DECLARE_MESSAGE_MAP()

private:
    size_t m_next = 0;
    bool m_busy = false;
};

// Answers the next message box with the given caption from another thread:
// records its owner and text, then presses the button.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer(std::string caption, int button);
    ~MessageBoxAnswerer();
    bool found() const { return m_found; }
    HWND owner() const { return m_owner; }
    const std::string& text() const { return m_text; }

private:
    std::string m_caption;
    int m_button;
    std::thread m_thread;
    volatile bool m_found = false;
    HWND m_owner = nullptr;
    std::string m_text;
};

// The test program's application object (the framework's WinMain is not used:
// GoogleTest's main runs the tests).
class TestApp : public CWinApp {
public:
    std::vector<std::string> log;  // commands routed to the application
    BOOL initResult = TRUE;
    int exitCode = 0;
    int initCalls = 0;
    int exitCalls = 0;
    BOOL InitInstance() override {
        ++initCalls;
        return initResult;
    }
    int ExitInstance() override {
        ++exitCalls;
        return exitCode;
    }

protected:
    void OnAppCommand() { log.push_back("app command"); }
    DECLARE_MESSAGE_MAP()
};

extern TestApp theApp;

// Dispatches messages for up to ms milliseconds or until done() is true.
void PumpUntil(const std::function<bool()>& done, DWORD ms);
