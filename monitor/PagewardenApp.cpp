#include "monitor/PagewardenApp.h"

#include "catalogue/MonitorCatalogue.h"
#include "common/InstanceMutex.h"
#include "monitor/MonitorPlatform.h"
#include "monitor/PagewardenDlg.h"

#include <commctrl.h>

BEGIN_MESSAGE_MAP(CPagewardenApp, CWinApp)
    ON_COMMAND(ID_HELP, &CPagewardenApp::OnHelp)
END_MESSAGE_MAP()

CPagewardenApp theApp;

BOOL CPagewardenApp::InitInstance() {
    CInstanceMutex lock(catalogue::ModelMutexName);
    // Another monitor for this model runs: end silently. A lock this user may
    // not open is one too: setup's elevated first run holds it.
    if (lock.IsAlreadyRunning() || lock.IsRefused()) {
        lock.Close();
        return FALSE;
    }
    // Started from setup's medium, the monitor would hold the medium's folder
    // as its current directory all session: no ejecting, no safe removal.
    monitor::UseProgramFolderAsCurrentDirectory();

    InitCommonControls();
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey("Local AppWizard-Generated Applications");

    {
        CPagewardenDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    lock.Close();
    return FALSE;
}
