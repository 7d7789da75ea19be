#include "monitor/PagewardenApp.h"

#include "catalogue/MonitorCatalogue.h"
#include "common/InstanceMutex.h"
#include "monitor/PagewardenDlg.h"

#include <commctrl.h>

BEGIN_MESSAGE_MAP(CPagewardenApp, CWinApp)
    ON_COMMAND(ID_HELP, &CPagewardenApp::OnHelp)
END_MESSAGE_MAP()

CPagewardenApp theApp;

BOOL CPagewardenApp::InitInstance() {
    CInstanceMutex lock(catalogue::ModelMutexName);
    if (lock.IsAlreadyRunning()) {
        // Another monitor for this model runs: end silently.
        lock.Close();
        return FALSE;
    }

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
