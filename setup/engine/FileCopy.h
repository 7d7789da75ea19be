// CFileCopy: stages the driver package from the installation medium (the
// current directory) into the spooler's printer driver directory, and is the
// installer's please-wait window (template IDD_FILE_COPY), which cannot be
// dismissed with Escape.
//
//   CFileCopy staging;                // no window needed to stage
//   staging.StageDriverFiles();       // ends the process with status 1 if the copy fails
//
//   CFileCopy wait(this);             // the please-wait window, modeless
//   wait.Create(CFileCopy::IDD, this);
//   wait.ShowWindow(SW_SHOW); ... wait.ShowWindow(SW_HIDE);
#pragma once

#include "framework/Dialog.h"
#include "resources/SetupResource.h"

#include <windows.h>

#include <memory>

namespace setup::engine {
// Copies the package patterns that match files of the current directory flat
// into driverDir (a null-terminated path), and takes the paths the
// installation writes out of the deletions waiting for the next restart.
// 1 when the shell copy succeeded, 0 otherwise (also with no package here).
int CopyPackageFiles(const char* driverDir);
}  // namespace setup::engine

class CFileCopy : public CDialog {
public:
    enum { IDD = IDD_FILE_COPY };

    explicit CFileCopy(CWnd* pParent = nullptr);
    ~CFileCopy() override;
    CFileCopy(const CFileCopy&) = delete;
    CFileCopy& operator=(const CFileCopy&) = delete;

    // Copies the package flat into the driver directory. When the directory is
    // unknown it says so and returns; when the copy fails the process ends.
    void StageDriverFiles();
    // 1 when m_pszDriverDir now holds the driver directory, 0 otherwise.
    int GetDriverDirectory();
    // 1 when the shell copy of the package succeeded, 0 otherwise.
    int CopyDriverFiles();

    // Swallows Escape so the please-wait window stays up.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    std::unique_ptr<char[]> m_pszDriverDir;  // null until a driver-directory query succeeded
};
