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
    // Before anything reads a relative path: the package lies beside the program.
    setup::ui::UseProgramFolderAsCurrentDirectory();
    CInstanceMutex lock(setup::ui::kInstallerLockName);
    {
        setup::ui::Win32StartupProbe probe(lock);
        const setup::core::StartupVerdict verdict = setup::core::CheckStartup(probe);
        if (verdict != setup::core::StartupVerdict::Proceed) {
            ::MessageBoxA(nullptr, setup::core::StartupMessage(verdict), setup::core::kCaption, MB_OK | MB_ICONHAND);
            lock.Close();
            return FALSE;
        }
    }

    setup::ui::SetupInitCommonControls();
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
