// Uninstall.exe: removes the ZYK Electronics printer software after asking
// once, and leaves the machine as it was before the installation. For every
// model of the family it finds: the running status monitor ended through its
// own exit command, its start at logon, the printer queues on the model's
// driver (their jobs purged), the driver, its INF in the system's INF store,
// the shortcut, the monitor and the model's staged files; then, once no model
// is left, what they share: the hwinterface port driver when it is ours, the
// shared driver files, the uninstall entry and this program last. What is in
// use is deleted at the next restart. The rules live in uninstall/core; this
// file and its neighbours make the calls.
#include "uninstall/SystemReads.h"
#include "uninstall/Win32Uninstall.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "common/ShortcutFolder.h"
#include "contract/InstalledLayout.h"

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>
#include <vector>

namespace uninstall::win32 {

Win32Uninstall::Win32Uninstall()
    : m_driverDir(DriverDirectory()), m_self(OwnPath()), m_pending(ReadPendingDeletions()) {}

bool Win32Uninstall::TakeInstallerLock() {
    // Held for the whole run, so setup cannot start while we remove.
    m_lock = std::make_unique<CInstanceMutex>(uninstall::kInstallerLockName);
    return m_lock->IsOpen() && !m_lock->IsAlreadyRunning();
}

bool Win32Uninstall::MayRemovePrinters() {
    // Deleting a driver needs the print server's administer right; the
    // service and the system's folders need an administrator's token
    // (elevated, where the system splits it).
    PRINTER_DEFAULTSA admin = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    pw::unique_printer server;
    if (!OpenPrinterA(nullptr, server.put(), &admin) && GetLastError() == ERROR_ACCESS_DENIED) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    pw::unique_sid administrators;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.put()))
        return false;
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, administrators.get(), &member) && member;
}

std::vector<int> Win32Uninstall::InstalledModels() {
    std::vector<QueueRecord> queues;
    const bool enumerated = EnumerateQueues(queues);
    const DriverFacts drivers = ReadDrivers();
    const std::string programs = pw::CommonProgramsFolder();
    std::vector<int> models;
    for (int model = 0; model < catalogue::kModelCount; ++model) {
        bool found = drivers.registered[model] || !FindMonitorWindows(model).empty() || AutoRunPresent(model);
        if (enumerated)
            for (const QueueRecord& q : queues) found = found || q.driverName == uninstall::ModelName(model);
        if (!programs.empty())
            found = found || Present(contract::ShortcutFolder(programs) + "\\" + uninstall::ShortcutFileName(model));
        if (!m_driverDir.empty()) {
            found = found || Present(uninstall::MonitorExecutable(m_driverDir, model));
            for (const uninstall::PackageFile& f : uninstall::ModelFiles(m_driverDir, model))
                found = found || Present(f.path);
        }
        found = found || !FindStoredInf(model).empty();
        if (found) models.push_back(model);
    }
    return models;
}

bool Win32Uninstall::SharedPartsInstalled() {
    if (SharedFilesInUse()) return false;
    std::string image;
    if (OurServiceImage(image) || OurFixedImagePresent() || EntryIsOurs()) return true;
    if (!m_driverDir.empty())
        for (const uninstall::PackageFile& f : uninstall::SharedFiles(m_driverDir))
            if (Present(f.path) && (!f.needsVersionCheck || IsOurFile(f.path, uninstall::kSetupProgram))) return true;
    return false;
}

bool Win32Uninstall::SharedFilesInUse() { return ReadDrivers().namesSharedDll; }

bool Win32Uninstall::AskYesNo(const std::string& question) {
    return MessageBoxA(nullptr, question.c_str(), uninstall::kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void Win32Uninstall::Tell(const std::string& text, uninstall::Icon icon) {
    MessageBoxA(nullptr, text.c_str(), uninstall::kCaption,
                MB_OK | (icon == uninstall::Icon::Stop ? MB_ICONHAND : MB_ICONINFORMATION));
}

Outcome Win32Uninstall::Remove(Step step, int model) {
    switch (step) {
    case Step::EndMonitor: return EndMonitor(model);
    case Step::AutoRun: return RemoveAutoRun(model);
    case Step::Queues: return RemoveQueues(model);
    case Step::PrinterDriver: return RemovePrinterDriver(model);
    case Step::Inf: return RemoveInf(model);
    case Step::Shortcut: return RemoveShortcut(model);
    case Step::MonitorFiles: return RemoveMonitorFiles(model);
    case Step::ModelFiles: return RemoveFiles(uninstall::ModelFiles(m_driverDir, model));
    case Step::PortDriver: return RemovePortDriver();
    case Step::SharedFiles: return RemoveSharedFiles();
    case Step::UninstallEntry: return RemoveEntry();
    case Step::Count: break;
    }
    return Outcome::Nothing;
}

void Win32Uninstall::RemoveSelf() {
    if (m_driverDir.empty() || m_self.empty()) return;
    const std::string staged = m_driverDir + "\\" + uninstall::kUninstaller;
    if (!uninstall::SameName(m_self, staged)) {
        // Started from elsewhere (the medium): the staged copy is just a file.
        if (IsOurFile(staged, uninstall::kUninstaller)) RemoveFile(staged);
        return;
    }
    // A running program's file cannot be deleted on Windows; an
    // administrator's program may have the system delete it at the next
    // restart. It is inert until then: nothing starts it. The restart
    // does not delete a read-only file either.
    MakeWritable(m_self);
    MoveFileExA(m_self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool Win32Uninstall::Present(const std::string& path) const {
    return Exists(path) && !uninstall::IsPendingDeletion(m_pending, path);
}

bool Win32Uninstall::AutoRunPresent(int model) const {
    pw::unique_hkey run;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, contract::kRunKey, 0, KEY_QUERY_VALUE, run.put()) == ERROR_SUCCESS &&
           RegQueryValueExA(run.get(), uninstall::AutoRunValueName(model).c_str(), nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

bool Win32Uninstall::EntryIsOurs() const {
    if (m_driverDir.empty()) return false;
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, contract::kUninstallKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return false;
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value[size < MAX_PATH ? size : MAX_PATH] = '\0';
    return uninstall::SameName(value, m_driverDir + "\\" + uninstall::kUninstaller);
}

bool Win32Uninstall::OurFixedImagePresent() const {
    const std::string fixed = FixedImagePath();
    return !fixed.empty() && Present(fixed) && IsOurFile(fixed, uninstall::kDriverImageName);
}

}  // namespace uninstall::win32

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    uninstall::win32::Win32Uninstall system;
    return uninstall::RunUninstall(system);
}
