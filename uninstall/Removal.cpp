// The removal steps of one uninstallation, each on its own part of what an
// installation left: what is in use is deleted at the next restart.
#include "uninstall/SystemReads.h"
#include "uninstall/Win32Uninstall.h"

#include "common/Handles.h"
#include "common/ShortcutFolder.h"
#include "contract/InstalledLayout.h"
#include "uninstall/core/Removal.h"

#include <windows.h>
#include <wincrypt.h>
#include <mscat.h>
#include <setupapi.h>
#include <softpub.h>
#include <winspool.h>

#include <cstdint>
#include <string>
#include <vector>

namespace uninstall::win32 {

namespace {

constexpr DWORD kServiceStopWaitMs = 15000;
// The catalogue database of driver packages, where SetupCopyOEMInf installs a package's catalogue.
constexpr char kDriverCatalogs[] = "\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}";
constexpr DWORD kMaxCatalogFile = 1u << 20;

void ReleaseCatalogAdmin(HCATADMIN admin) { CryptCATAdminReleaseContext(admin, 0); }
using unique_catadmin = pw::unique_any<HCATADMIN, &ReleaseCatalogAdmin>;

// Removes a folder of ours when it is empty; when what is left in it waits for
// a restart, the folder follows it then (the system deletes in order).
Outcome RemoveFolder(const std::string& path, Outcome contents) {
    if (!Exists(path)) return Outcome::Nothing;
    MakeWritable(path);
    if (RemoveDirectoryA(path.c_str())) return Outcome::Done;
    if (contents == Outcome::Scheduled)
        return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Outcome::Scheduled : Outcome::Failed;
    return Outcome::Nothing;  // other files of the family are still in it
}

class Win32MonitorCalls : public uninstall::MonitorCalls {
public:
    explicit Win32MonitorCalls(int model) : m_model(model) {}

    Access OpenProcessOf(std::uintptr_t window) override {
        DWORD pid = 0;
        GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        const DWORD error = GetLastError();
        m_process.reset(process);
        if (m_process) return Access::Opened;
        return pid != 0 && error == ERROR_ACCESS_DENIED ? Access::Denied : Access::Gone;
    }

    bool IsMonitorImage() override {
        char path[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH;
        if (!QueryFullProcessImageNameA(m_process.get(), 0, path, &size) || size >= MAX_PATH) return false;
        const std::string image(path, size);
        const std::string expected = uninstall::MonitorImageName(m_model);
        return image.size() > expected.size() && image[image.size() - expected.size() - 1] == '\\' &&
               uninstall::SameName(image.substr(image.size() - expected.size()), expected);
    }

    void SendExitCommand(std::uintptr_t window) override {
        PostMessageA(reinterpret_cast<HWND>(window), WM_COMMAND, uninstall::kMonitorExitCommand, 0);
    }

    bool WaitForProcess(unsigned ms) override { return WaitForSingleObject(m_process.get(), ms) == WAIT_OBJECT_0; }

    bool WindowExists(std::uintptr_t window) override { return IsWindow(reinterpret_cast<HWND>(window)) != FALSE; }

    void Pause(unsigned ms) override { Sleep(ms); }

private:
    const int m_model;
    pw::unique_handle m_process;
};

class Win32QueueCalls : public uninstall::QueueCalls {
public:
    bool Open(const std::string& queue) override {
        PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        m_printer.reset();
        return OpenPrinterA(const_cast<char*>(queue.c_str()), m_printer.put(), &all) != FALSE;
    }

    bool PurgeJobs() override { return SetPrinterA(m_printer.get(), 0, nullptr, PRINTER_CONTROL_PURGE) != FALSE; }

    bool Delete() override { return DeletePrinter(m_printer.get()) != FALSE; }

    void Close() override { m_printer.reset(); }

    bool Exists(const std::string& queue) override {
        std::vector<QueueRecord> queues;
        if (!EnumerateQueues(queues)) return true;  // unknown: not gone
        for (const QueueRecord& q : queues)
            if (uninstall::SameName(q.printerName, queue)) return true;
        return false;
    }

    void Pause(unsigned ms) override { Sleep(ms); }

private:
    pw::unique_printer m_printer;
};

}  // namespace

void MakeWritable(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

Outcome RemoveFile(const std::string& path) {
    if (!Exists(path)) return Outcome::Nothing;
    MakeWritable(path);
    if (DeleteFileA(path.c_str())) return Outcome::Done;
    if (!Exists(path)) return Outcome::Done;
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Outcome::Scheduled : Outcome::Failed;
}

Outcome Win32Uninstall::EndMonitor(int model) {
    Outcome outcome = Outcome::Nothing;
    for (HWND window : FindMonitorWindows(model)) {
        Win32MonitorCalls calls(model);
        const auto handle = reinterpret_cast<std::uintptr_t>(window);
        outcome = uninstall::Combine(outcome, uninstall::EndMonitorWindow(calls, handle));
    }
    return outcome;
}

Outcome Win32Uninstall::RemoveAutoRun(int model) {
    pw::unique_hkey run;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, contract::kRunKey, 0, KEY_SET_VALUE, run.put()) != ERROR_SUCCESS)
        return Outcome::Nothing;
    const LONG rc = RegDeleteValueA(run.get(), uninstall::AutoRunValueName(model).c_str());
    if (rc == ERROR_SUCCESS) return Outcome::Done;
    return rc == ERROR_FILE_NOT_FOUND ? Outcome::Nothing : Outcome::Failed;
}

Outcome Win32Uninstall::RemovePortDriver() {
    Outcome outcome = Outcome::Nothing;
    std::string image;
    pw::unique_service service;
    if (OurServiceImage(image, &service)) {
        SERVICE_STATUS status = {};
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        const DWORD start = GetTickCount();
        bool stopped = false;
        while (QueryServiceStatus(service.get(), &status)) {
            if (status.dwCurrentState == SERVICE_STOPPED) {
                stopped = true;
                break;
            }
            if (GetTickCount() - start > kServiceStopWaitMs) break;
            Sleep(100);
        }
        if (!DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
            return Outcome::Failed;  // the image stays with the registration that names it
        }
        // A driver that would not stop is removed with its registration at the restart.
        outcome = stopped ? Outcome::Done : Outcome::Scheduled;
        service.reset();
        outcome = uninstall::Combine(outcome, RemoveFile(image));
    }
    const std::string fixed = FixedImagePath();
    if (!fixed.empty() && !uninstall::SameName(fixed, image) && Exists(fixed) &&
        IsOurFile(fixed, uninstall::kDriverImageName))
        outcome = uninstall::Combine(outcome, RemoveFile(fixed));
    return outcome;
}

Outcome Win32Uninstall::RemoveQueues(int model) {
    std::vector<QueueRecord> queues;
    if (!EnumerateQueues(queues)) return Outcome::Failed;
    Outcome outcome = Outcome::Nothing;
    for (const QueueRecord& q : queues) {
        if (q.driverName != uninstall::ModelName(model)) continue;
        Win32QueueCalls calls;
        outcome = uninstall::Combine(outcome, uninstall::RemoveQueue(calls, q.printerName));
    }
    return outcome;
}

Outcome Win32Uninstall::RemovePrinterDriver(int model) {
    const DriverFacts facts = ReadDrivers();
    if (!facts.enumerated) return Outcome::Failed;
    if (!facts.registered[model]) return Outcome::Nothing;
    // The record only: the spooler's copies of our files go with the
    // package files, and the universal driver's files are never ours to delete.
    return DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(uninstall::ModelName(model))) ? Outcome::Done
                                                                                                  : Outcome::Failed;
}

// Our INF in the system's store, with its precompiled form and the
// catalogue that its staging installed.
Outcome Win32Uninstall::RemoveInf(int model) {
    Outcome outcome = Outcome::Nothing;
    const std::string folder = WindowsDirectory() + "\\inf\\";
    for (const std::string& name : FindStoredInf(model)) {
        // The store keeps the attributes of the staged copy; forced: a
        // printer installed with it is being removed too.
        MakeWritable(folder + name);
        MakeWritable(folder + name.substr(0, name.size() - 4) + ".pnf");
        SetupUninstallOEMInfA(name.c_str(), SUOI_FORCEDELETE, nullptr);
        if (Exists(folder + name)) {
            outcome = Outcome::Failed;
            continue;
        }
        outcome = uninstall::Combine(outcome, Outcome::Done);
        // The store keeps a precompiled copy beside each INF; it goes with the INF.
        const std::string base = name.substr(0, name.size() - 4);
        outcome = uninstall::Combine(outcome, RemoveFile(folder + base + ".pnf"));
        // Installed with the INF under its name: ours as the INF is, whichever release it came with.
        outcome = uninstall::Combine(outcome, RemoveCatalog(base + ".cat", false));
    }
    return outcome;
}

// Removes an installed catalogue of that name; when `sameBytes`, only
// when its bytes are those of our package's.
Outcome Win32Uninstall::RemoveCatalog(const std::string& name, bool sameBytes) {
    const std::string system = SystemDirectory();
    if (system.empty() || m_driverDir.empty()) return Outcome::Nothing;
    const std::string installed = system + kDriverCatalogs + "\\" + name;
    std::string ours;
    std::string theirs;
    if (!Exists(installed)) return Outcome::Nothing;
    if (sameBytes && (!ReadFileBytes(m_driverDir + "\\" + uninstall::kSharedCatalog, kMaxCatalogFile, ours) ||
                      !ReadFileBytes(installed, kMaxCatalogFile, theirs) || ours != theirs))
        return Outcome::Nothing;
    MakeWritable(installed);
    GUID driverAction = DRIVER_ACTION_VERIFY;
    unique_catadmin admin;
    if (!CryptCATAdminAcquireContext(admin.put(), &driverAction, 0)) return Outcome::Failed;
    std::wstring wide(name.begin(), name.end());  // catalogue names are ASCII
    CryptCATAdminRemoveCatalog(admin.get(), wide.c_str(), 0);
    return Exists(installed) ? Outcome::Failed : Outcome::Done;
}

Outcome Win32Uninstall::RemoveShortcut(int model) {
    const std::string programs = pw::CommonProgramsFolder();
    if (programs.empty()) return Outcome::Nothing;
    const std::string folder = contract::ShortcutFolder(programs);
    const Outcome link = RemoveFile(folder + "\\" + uninstall::ShortcutFileName(model));
    return uninstall::Combine(link, RemoveFolder(folder, link));
}

Outcome Win32Uninstall::RemoveMonitorFiles(int model) {
    if (m_driverDir.empty()) return Outcome::Nothing;
    const Outcome exe = RemoveFile(uninstall::MonitorExecutable(m_driverDir, model));
    return uninstall::Combine(exe, RemoveFolder(contract::FolderPath(m_driverDir, contract::Folder::Monitor), exe));
}

Outcome Win32Uninstall::RemoveFiles(const std::vector<uninstall::PackageFile>& files) {
    if (m_driverDir.empty()) return Outcome::Nothing;
    Outcome outcome = Outcome::Nothing;
    for (const uninstall::PackageFile& f : files) {
        if (f.needsVersionCheck && Exists(f.path) && !IsOurFile(f.path, f.path.substr(f.path.find_last_of('\\') + 1)))
            continue;
        outcome = uninstall::Combine(outcome, RemoveFile(f.path));
    }
    return outcome;
}

// The package's catalogue installed in the system, then the files every model shares.
Outcome Win32Uninstall::RemoveSharedFiles() {
    if (m_driverDir.empty()) return Outcome::Nothing;
    const Outcome catalog = RemoveCatalog(uninstall::kSharedCatalog, true);
    return uninstall::Combine(catalog, RemoveFiles(uninstall::SharedFiles(m_driverDir)));
}

Outcome Win32Uninstall::RemoveEntry() {
    const LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, contract::kUninstallKey);
    if (rc == ERROR_SUCCESS) return Outcome::Done;
    return rc == ERROR_FILE_NOT_FOUND ? Outcome::Nothing : Outcome::Failed;
}

}  // namespace uninstall::win32
