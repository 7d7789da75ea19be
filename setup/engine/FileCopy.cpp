#include "setup/engine/FileCopy.h"

#include "setup/core/InstallLayout.h"
#include "setup/core/InstallSequence.h"
#include "setup/engine/DriverDirectory.h"

#include <windows.h>
#include <shellapi.h>

CFileCopy::CFileCopy(CWnd* pParent) : CDialog(IDD, pParent) {}

CFileCopy::~CFileCopy() = default;

int CFileCopy::GetDriverDirectory() { return setup_engine::QueryDriverDirectory(m_pszDriverDir); }

int CFileCopy::CopyDriverFiles() {
    SHFILEOPSTRUCTA op;
    ZeroMemory(&op, sizeof op);
    op.hwnd = nullptr;
    op.wFunc = FO_COPY;
    op.pFrom = setup::kPackagePatterns.c_str();  // six patterns, double-null-terminated
    op.pTo = m_pszDriverDir.get();
    // Overwrite earlier copies without asking; the shell may show its progress and its own errors.
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted ? 1 : 0;
}

void CFileCopy::StageDriverFiles() {
    BeginWaitCursor();
    if (!GetDriverDirectory()) {
        EndWaitCursor();
        MessageBox(setup::kErrorNoDriverDirectory, setup::kSetupCaption, MB_OK | MB_ICONHAND);
        return;
    }
    if (!CopyDriverFiles()) {
        // Without the package in place no installation step can succeed.
        ExitProcess(1);
    }
    EndWaitCursor();
}

BOOL CFileCopy::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}
