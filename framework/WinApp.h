// CWinApp: the application object, and the program's entry point.
//
// A program defines exactly one global object of a class derived from
// CWinApp; its constructor registers it (a second one is ignored). The
// framework's WinMain (linked in with CWinApp) then:
//   1. records the instance handle,
//   2. calls InitInstance(),
//   3. if it returned FALSE (as both of our programs do after their dialog has
//      run), calls ExitInstance() and ends the process with its result (0);
//      if it returned TRUE, runs Run() (a plain message loop until WM_QUIT)
//      and ends with its result.
// The executable must be linked for the GUI subsystem (-mwindows / WIN32).
//
// Globals:
//   AfxGetApp()             the registered application object (null if none)
//   AfxGetInstanceHandle()  the program's module (resources are loaded from it)
//   AfxGetMainWnd()         AfxGetApp()->m_pMainWnd; the framework clears it when
//                           that window object is destroyed, so it never dangles
//   AfxGetAppName()         the program's file name without directory and extension
//   AfxMessageBox(text, type)
//       A message box with the application name as caption. Its owner is the
//       main window's last active popup when the main window exists (the
//       dialog the user is looking at, as in MFC), otherwise it has no owner.
//
// CWaitCursor: see WaitCursor.h.
#pragma once

#include "framework/Wnd.h"

#include <string>

class CWinApp : public CCmdTarget {
public:
    CWinApp() noexcept;
    ~CWinApp() override;

    // The program's work. The base returns TRUE.
    virtual BOOL InitInstance();
    // The message loop used when InitInstance returns TRUE; returns WM_QUIT's code.
    virtual int Run();
    // Called when the program ends; its result is the process exit code. The base returns 0.
    virtual int ExitInstance();

    // Records the registry key name for profile settings. No framework code reads
    // or writes profile settings; the name is only kept in m_pszRegistryKey.
    void SetRegistryKey(const char* lpszRegistryKey);

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const char* m_pszAppName = nullptr;  // set on first use of AfxGetAppName
    const char* m_pszRegistryKey = nullptr;

protected:
    // The framework's help command: there is no help file, so it does nothing.
    void OnHelp();
    DECLARE_MESSAGE_MAP()

private:
    friend const char* AfxGetAppName();
    std::string m_strAppName;
    std::string m_strRegistryKey;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK | MB_ICONEXCLAMATION, UINT nIDHelp = 0);
inline int AfxMessageBox(const std::string& text, UINT nType = MB_OK | MB_ICONEXCLAMATION, UINT nIDHelp = 0) {
    return AfxMessageBox(text.c_str(), nType, nIDHelp);
}
// ActiveX control containment: dialogs of this framework host no ActiveX
// controls, so there is nothing to enable; kept so start-up code reads as usual.
inline void AfxEnableControlContainer() {}

// The framework's program body, called by its WinMain (exposed for tests).
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
