#include "setup/SetupApp.h"

#include "common/InstanceMutex.h"
#include "framework/Framework.h"
#include "resources/SetupResource.h"
#include "setup/SetupDlg.h"
#include "setup/SetupPlatform.h"
#include "setup/core/SetupTexts.h"
#include "setup/core/StartupChecks.h"
#include "setup/engine/FileCopy.h"

CSetupApp theApp;

BOOL CSetupApp::InitInstance() {
    CInstanceMutex lock(kSetupInstanceLockName);
    {
        setupui::Win32StartupProbe probe(lock);
        const setupui::StartupVerdict verdict = setupui::CheckStartup(probe);
        if (verdict != setupui::StartupVerdict::Proceed) {
            ::MessageBoxA(nullptr, setupui::StartupMessage(verdict), setupui::kCaption, MB_OK | MB_ICONHAND);
            lock.Close();
            return FALSE;
        }
    }

    setupui::SetupInitCommonControls();
    CWinApp::InitInstance();
    AfxEnableControlContainer();

    CSetupDlg dlg(nullptr);
    m_pMainWnd = &dlg;

    CFileCopy splash(nullptr);
    if (splash.Create(IDD_FILE_COPY, nullptr)) {
        splash.ShowWindow(SW_SHOW);
        // Painted once now: the second below blocks the thread, nothing repaints meanwhile.
        splash.UpdateWindow();
        Sleep(1000);
        splash.ShowWindow(SW_HIDE);
    }

    dlg.DoModal();

    splash.DestroyWindow();
    m_pMainWnd = nullptr;
    lock.Close();
    return FALSE;
}
