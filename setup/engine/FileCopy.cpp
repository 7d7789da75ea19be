#include "setup/engine/FileCopy.h"

#include "setup/core/InstallLayout.h"
#include "setup/core/SetupTexts.h"
#include "setup/engine/DriverDirectory.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace setup::engine {

int CopyPackageFiles(const char* driverDir) {
    if (driverDir == nullptr) return 0;
    // pTo is a list like pFrom: the shell reads on to a second null, which the
    // directory buffer does not have.
    std::string destination(driverDir);
    destination.push_back('\0');  // c_str() adds the second
    SHFILEOPSTRUCTA op;
    ZeroMemory(&op, sizeof op);
    op.hwnd = nullptr;
    op.wFunc = FO_COPY;
    op.pFrom = core::kPackagePatterns.c_str();  // six patterns, double-null-terminated
    op.pTo = destination.c_str();
    // Overwrite earlier copies without asking; the shell may show its progress and its own errors.
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted ? 1 : 0;
}

}  // namespace setup::engine

CFileCopy::CFileCopy(CWnd* pParent) : CDialog(IDD, pParent) {}

CFileCopy::~CFileCopy() = default;

int CFileCopy::GetDriverDirectory() { return setup::engine::QueryDriverDirectory(m_pszDriverDir); }

int CFileCopy::CopyDriverFiles() { return setup::engine::CopyPackageFiles(m_pszDriverDir.get()); }

void CFileCopy::StageDriverFiles() {
    BeginWaitCursor();
    if (!GetDriverDirectory()) {
        EndWaitCursor();
        MessageBox(setup::core::kErrorNoDriverDirectory, setup::core::kCaption, MB_OK | MB_ICONHAND);
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
