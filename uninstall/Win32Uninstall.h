// The uninstaller's answers from Windows to the flow of uninstall/core: what
// is installed, and each removal step. The reads live in SystemReads.cpp, the
// removal steps in Removal.cpp, the rest in Uninstall.cpp.
#pragma once

#include "common/InstanceMutex.h"
#include "uninstall/core/UninstallFlow.h"
#include "uninstall/core/UninstallRules.h"

#include <memory>
#include <string>
#include <vector>

namespace uninstall::win32 {

// A read-only file or folder (a medium copied from a CD keeps the attribute)
// cannot be deleted until the attribute is gone.
void MakeWritable(const std::string& path);
// Deletes a file now, or when it is in use, at the next restart.
Outcome RemoveFile(const std::string& path);

class Win32Uninstall : public UninstallSystem {
public:
    Win32Uninstall();

    bool TakeInstallerLock() override;
    bool MayRemovePrinters() override;
    std::vector<int> InstalledModels() override;
    bool SharedPartsInstalled() override;
    bool SharedFilesInUse() override;
    bool AskYesNo(const std::string& question) override;
    void Tell(const std::string& text, Icon icon) override;
    Outcome Remove(Step step, int model) override;
    void RemoveSelf() override;

private:
    bool Present(const std::string& path) const;
    bool AutoRunPresent(int model) const;
    bool EntryIsOurs() const;
    bool OurFixedImagePresent() const;

    Outcome EndMonitor(int model);
    Outcome RemoveAutoRun(int model);
    Outcome RemovePortDriver();
    Outcome RemoveQueues(int model);
    Outcome RemovePrinterDriver(int model);
    Outcome RemoveInf(int model);
    Outcome RemoveCatalog(const std::string& name, bool sameBytes);
    Outcome RemoveShortcut(int model);
    Outcome RemoveMonitorFiles(int model);
    Outcome RemoveFiles(const std::vector<PackageFile>& files);
    Outcome RemoveSharedFiles();
    Outcome RemoveEntry();

    const std::string m_driverDir;
    const std::string m_self;
    const std::vector<std::string> m_pending;
    std::unique_ptr<CInstanceMutex> m_lock;
};

}  // namespace uninstall::win32
