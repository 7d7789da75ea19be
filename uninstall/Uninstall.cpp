// Uninstall.exe: removes the ZYK Electronics printer software after asking
// once, and leaves the machine as it was before the installation. For every
// model of the family it finds: the running status monitor ended through its
// own exit command, its start at logon, the printer queues on the model's
// driver (their jobs purged), the driver, its INF in the system's INF store,
// the shortcut, the monitor and the model's staged files; then, once no model
// is left, what they share: the hwinterface port driver when it is ours, the
// shared driver files, the uninstall entry and this program last. What is in
// use is deleted at the next restart. The rules live in uninstall/core; this
// file makes the calls.
#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "common/InstanceMutex.h"
#include "uninstall/core/Removal.h"
#include "uninstall/core/UninstallFlow.h"
#include "uninstall/core/UninstallRules.h"
#include "setup/core/InstallLayout.h"
#include "setup/engine/ShortcutFolder.h"

#include <windows.h>
#include <wincrypt.h>
#include <mscat.h>
#include <setupapi.h>
#include <softpub.h>
#include <winspool.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using uninstall::Outcome;
using uninstall::Step;

constexpr DWORD kServiceStopWaitMs = 15000;
constexpr DWORD kMaxSpoolerBuffer = 16u << 20;
constexpr DWORD kMaxServiceConfig = 8192;   // the documented largest QUERY_SERVICE_CONFIG
constexpr DWORD kMaxVersionInfo = 1u << 20;
constexpr DWORD kMaxInfFile = 1u << 20;
constexpr DWORD kMaxPendingValue = 4u << 20;
constexpr char kPendingKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";
// The catalogue database of driver packages, where SetupCopyOEMInf installs a package's catalogue.
constexpr char kDriverCatalogs[] = "\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}";
constexpr DWORD kMaxCatalogFile = 1u << 20;

void ReleaseCatalogAdmin(HCATADMIN admin) { CryptCATAdminReleaseContext(admin, 0); }
using unique_catadmin = pw::unique_any<HCATADMIN, &ReleaseCatalogAdmin>;

std::string WindowsDirectory() {
    char dir[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

std::string SystemDirectory() {
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

std::string OwnPath() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? std::string(path, n) : std::string();
}

// The spooler's printer driver directory, probed and read into a buffer of the reported size.
std::string DriverDirectory() {
    DWORD needed = 0;
    BYTE probe[10];
    if (GetPrinterDriverDirectoryA(nullptr, nullptr, 1, probe, sizeof probe, &needed)) return {};
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0 || needed > 32768) return {};
    pw::heap_buffer buffer(needed);
    if (!buffer || !GetPrinterDriverDirectoryA(nullptr, nullptr, 1, buffer.get(), needed, &needed)) return {};
    std::string dir;
    uninstall::BoundedString(buffer.get(), buffer.size(), buffer.as<char>(), dir);
    return dir;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReadFileBytes(const std::string& path, DWORD maxBytes, std::string& out) {
    out.clear();
    pw::unique_file file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > maxBytes) return false;
    out.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!out.empty() && (!ReadFile(file.get(), &out[0], static_cast<DWORD>(out.size()), &read, nullptr) ||
                         read != out.size()))
        return false;
    return true;
}

// The company and original file name from a file's version resource.
uninstall::VersionStrings ReadVersionStrings(const std::string& path) {
    uninstall::VersionStrings strings;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0 || size > kMaxVersionInfo) return strings;
    pw::heap_buffer block(size);
    if (!block || !GetFileVersionInfoA(path.c_str(), 0, size, block.get())) return strings;

    // The first translation names the string table; without one, the usual US English tables.
    std::vector<std::string> tables;
    void* translation = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.get(), "\\VarFileInfo\\Translation", &translation, &length) && translation &&
        length >= 4) {
        const WORD* pair = static_cast<const WORD*>(translation);
        char name[16];
        std::snprintf(name, sizeof name, "%04x%04x", pair[0], pair[1]);
        tables.push_back(name);
    }
    tables.push_back("040904b0");
    tables.push_back("040904e4");
    auto query = [&](const std::string& table, const char* field, std::string& out) {
        const std::string key = "\\StringFileInfo\\" + table + "\\" + field;
        void* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueA(block.get(), key.c_str(), &value, &chars) || value == nullptr) return false;
        return uninstall::BoundedString(block.get(), block.size(), static_cast<const char*>(value), out);
    };
    for (const std::string& table : tables) {
        if (query(table, "CompanyName", strings.companyName)) {
            query(table, "OriginalFilename", strings.originalFilename);
            break;
        }
    }
    return strings;
}

bool IsOurFile(const std::string& path, const std::string& originalName) {
    return uninstall::IsOurs(ReadVersionStrings(path), originalName);
}

std::vector<std::string> ReadPendingDeletions() {
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0 || size > kMaxPendingValue)
        return {};
    pw::heap_buffer bytes(size);
    if (!bytes || RegQueryValueExA(key.get(), kPendingValue, nullptr, &type, bytes.get(), &size) != ERROR_SUCCESS ||
        size > bytes.size())
        return {};
    return uninstall::PendingDeletions(bytes.get(), size);
}

// A read-only file or folder (a medium copied from a CD keeps the attribute)
// cannot be deleted until the attribute is gone.
void MakeWritable(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// Deletes a file now, or when it is in use, at the next restart.
Outcome RemoveFile(const std::string& path) {
    if (!Exists(path)) return Outcome::Nothing;
    MakeWritable(path);
    if (DeleteFileA(path.c_str())) return Outcome::Done;
    if (!Exists(path)) return Outcome::Done;
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? Outcome::Scheduled : Outcome::Failed;
}

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

// One local printer or driver record as the shell needs it.
struct QueueRecord {
    std::string printerName;
    std::string driverName;
};

bool EnumerateQueues(std::vector<QueueRecord>& queues) {
    DWORD needed = 0;
    DWORD count = 0;
    if (EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count)) return true;  // none
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0 || needed > kMaxSpoolerBuffer) return false;
    pw::heap_buffer buffer(needed);
    if (!buffer || !EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.get(), needed, &needed, &count))
        return false;
    if (count > buffer.size() / sizeof(PRINTER_INFO_2A)) return false;
    const auto* records = buffer.as<PRINTER_INFO_2A>();
    for (DWORD i = 0; i < count; ++i) {
        QueueRecord record;
        if (uninstall::BoundedString(buffer.get(), buffer.size(), records[i].pPrinterName, record.printerName) &&
            uninstall::BoundedString(buffer.get(), buffer.size(), records[i].pDriverName, record.driverName))
            queues.push_back(record);
    }
    return true;
}

struct DriverFacts {
    bool enumerated = false;
    std::vector<bool> registered = std::vector<bool>(catalogue::kModelCount, false);
    bool namesSharedDll = false;   // some driver record still lists ZYKE9pin.dll
};

DriverFacts ReadDrivers() {
    DriverFacts facts;
    DWORD needed = 0;
    DWORD count = 0;
    if (EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &count)) {
        facts.enumerated = true;
        return facts;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0 || needed > kMaxSpoolerBuffer) return facts;
    pw::heap_buffer buffer(needed);
    if (!buffer || !EnumPrinterDriversA(nullptr, nullptr, 3, buffer.get(), needed, &needed, &count)) return facts;
    if (count > buffer.size() / sizeof(DRIVER_INFO_3A)) return facts;
    facts.enumerated = true;
    const auto* records = buffer.as<DRIVER_INFO_3A>();
    const auto base = reinterpret_cast<const char*>(buffer.get());
    for (DWORD i = 0; i < count; ++i) {
        std::string name;
        if (!uninstall::BoundedString(buffer.get(), buffer.size(), records[i].pName, name)) continue;
        const int model = uninstall::ModelOfDriver(name);
        if (model >= 0) facts.registered[model] = true;
        const char* files = records[i].pDependentFiles;
        if (files >= base && files < base + buffer.size() &&
            uninstall::NamesSharedDll(files, static_cast<std::size_t>(base + buffer.size() - files)))
            facts.namesSharedDll = true;
    }
    return facts;
}

// A model's INFs in the system's INF store, of whichever release staged them.
std::vector<std::string> FindStoredInf(int model) {
    std::vector<std::string> names;
    const std::string folder = WindowsDirectory() + "\\inf";
    WIN32_FIND_DATAA found = {};
    std::vector<std::string> candidates;
    {
        pw::unique_find search(FindFirstFileA((folder + "\\*.inf").c_str(), &found));
        if (!search) return names;
        do {
            found.cFileName[MAX_PATH - 1] = '\0';
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && uninstall::IsInfCandidate(found.cFileName))
                candidates.push_back(found.cFileName);
        } while (FindNextFileA(search.get(), &found));
    }
    for (const std::string& name : candidates) {
        std::string bytes;
        if (ReadFileBytes(folder + "\\" + name, kMaxInfFile, bytes) && uninstall::InfMatches(bytes, model))
            names.push_back(name);
    }
    return names;
}

struct MonitorSearch {
    std::string caption;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectMonitorWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<MonitorSearch*>(param);
    char className[16] = {};
    char caption[128] = {};
    GetClassNameA(hwnd, className, sizeof className);
    GetWindowTextA(hwnd, caption, sizeof caption);
    if (lstrcmpA(className, "#32770") == 0 && search->caption == caption) search->windows.push_back(hwnd);
    return TRUE;
}

// The status windows of a model's monitor, hidden or not, in this session.
std::vector<HWND> FindMonitorWindows(int model) {
    MonitorSearch search{uninstall::MonitorCaption(model), {}};
    EnumWindows(CollectMonitorWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
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
        if (!EnumerateQueues(queues)) return true;   // unknown: not gone
        for (const QueueRecord& q : queues)
            if (uninstall::SameName(q.printerName, queue)) return true;
        return false;
    }

    void Pause(unsigned ms) override { Sleep(ms); }

private:
    pw::unique_printer m_printer;
};

class Win32Uninstall : public uninstall::UninstallSystem {
public:
    Win32Uninstall()
        : m_driverDir(DriverDirectory()),
          m_self(OwnPath()),
          m_pending(ReadPendingDeletions()) {}

    bool TakeInstallerLock() override {
        // Held for the whole run, so setup cannot start while we remove.
        m_lock = std::make_unique<CInstanceMutex>(uninstall::kInstallerMutex);
        return m_lock->IsOpen() && !m_lock->IsAlreadyRunning();
    }

    bool MayRemovePrinters() override {
        // Deleting a driver needs the print server's administer right; the
        // service and the system's folders need an administrator's token
        // (elevated, where the system splits it).
        PRINTER_DEFAULTSA admin = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
        pw::unique_printer server;
        if (!OpenPrinterA(nullptr, server.put(), &admin) && GetLastError() == ERROR_ACCESS_DENIED) return false;
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                      &administrators))
            return false;
        BOOL member = FALSE;
        const BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
        FreeSid(administrators);
        return checked && member;
    }

    std::vector<int> InstalledModels() override {
        std::vector<QueueRecord> queues;
        const bool enumerated = EnumerateQueues(queues);
        const DriverFacts drivers = ReadDrivers();
        const std::string programs = setup::engine::CommonProgramsFolder();
        std::vector<int> models;
        for (int model = 0; model < catalogue::kModelCount; ++model) {
            bool found = drivers.registered[model] || !FindMonitorWindows(model).empty() || AutoRunPresent(model);
            if (enumerated)
                for (const QueueRecord& q : queues) found = found || q.driverName == uninstall::ModelName(model);
            if (!programs.empty())
                found = found ||
                        Present(setup::core::ShortcutFolder(programs) + "\\" + uninstall::ShortcutFileName(model));
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

    bool SharedPartsInstalled() override {
        if (SharedFilesInUse()) return false;
        std::string image;
        if (OurServiceImage(image) || OurFixedImagePresent() || EntryIsOurs()) return true;
        if (!m_driverDir.empty())
            for (const uninstall::PackageFile& f : uninstall::SharedFiles(m_driverDir))
                if (Present(f.path) && (!f.needsVersionCheck || IsOurFile(f.path, uninstall::kSetupProgram)))
                    return true;
        return false;
    }

    bool SharedFilesInUse() override { return ReadDrivers().namesSharedDll; }

    bool AskYesNo(const std::string& question) override {
        return MessageBoxA(nullptr, question.c_str(), uninstall::kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    }

    void Tell(const std::string& text, uninstall::Icon icon) override {
        MessageBoxA(nullptr, text.c_str(), uninstall::kCaption,
                    MB_OK | (icon == uninstall::Icon::Stop ? MB_ICONHAND : MB_ICONINFORMATION));
    }

    Outcome Remove(Step step, int model) override {
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

    void RemoveSelf() override {
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

private:
    bool Present(const std::string& path) const {
        return Exists(path) && !uninstall::IsPendingDeletion(m_pending, path);
    }

    bool AutoRunPresent(int model) const {
        pw::unique_hkey run;
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, setup::core::kRunKey, 0, KEY_QUERY_VALUE, run.put()) == ERROR_SUCCESS &&
               RegQueryValueExA(run.get(), uninstall::AutoRunValueName(model).c_str(), nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS;
    }

    bool EntryIsOurs() const {
        if (m_driverDir.empty()) return false;
        pw::unique_hkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setup::core::kUninstallKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
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

    std::string FixedImagePath() const {
        const std::string system = SystemDirectory();
        return system.empty() ? std::string() : system + "\\Drivers\\" + uninstall::kDriverImageName;
    }

    bool OurFixedImagePresent() const {
        const std::string fixed = FixedImagePath();
        return !fixed.empty() && Present(fixed) && IsOurFile(fixed, uninstall::kDriverImageName);
    }

    // The hwinterface service is ours when it is a kernel driver whose image
    // carries our version resource (company "ZYK Electronics", original name
    // "hwinterface.sys"); another maker's driver of that name is left alone.
    bool OurServiceImage(std::string& image, pw::unique_service* keep = nullptr) const {
        pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager) return false;
        const DWORD access = keep ? (SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_STOP | DELETE)
                                  : SERVICE_QUERY_CONFIG;
        pw::unique_service service(OpenServiceA(manager.get(), uninstall::kServiceName, access));
        if (!service) return false;
        DWORD needed = 0;
        if (QueryServiceConfigA(service.get(), nullptr, 0, &needed) ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0 || needed > kMaxServiceConfig)
            return false;
        pw::heap_buffer buffer(needed);
        if (!buffer || !QueryServiceConfigA(service.get(), buffer.as<QUERY_SERVICE_CONFIGA>(), needed, &needed))
            return false;
        const auto* config = buffer.as<QUERY_SERVICE_CONFIGA>();
        std::string binaryPath;
        if (config->dwServiceType != SERVICE_KERNEL_DRIVER ||
            !uninstall::BoundedString(buffer.get(), buffer.size(), config->lpBinaryPathName, binaryPath))
            return false;
        image = uninstall::ResolveServiceImagePath(binaryPath, WindowsDirectory());
        if (image.empty() || !IsOurFile(image, uninstall::kDriverImageName)) return false;
        if (keep) *keep = std::move(service);
        return true;
    }

    Outcome EndMonitor(int model) {
        Outcome outcome = Outcome::Nothing;
        for (HWND window : FindMonitorWindows(model)) {
            Win32MonitorCalls calls(model);
            const auto handle = reinterpret_cast<std::uintptr_t>(window);
            outcome = uninstall::Combine(outcome, uninstall::EndMonitorWindow(calls, handle));
        }
        return outcome;
    }

    Outcome RemoveAutoRun(int model) {
        pw::unique_hkey run;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setup::core::kRunKey, 0, KEY_SET_VALUE, run.put()) != ERROR_SUCCESS)
            return Outcome::Nothing;
        const LONG rc = RegDeleteValueA(run.get(), uninstall::AutoRunValueName(model).c_str());
        if (rc == ERROR_SUCCESS) return Outcome::Done;
        return rc == ERROR_FILE_NOT_FOUND ? Outcome::Nothing : Outcome::Failed;
    }

    Outcome RemovePortDriver() {
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
                return Outcome::Failed;   // the image stays with the registration that names it
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

    Outcome RemoveQueues(int model) {
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

    Outcome RemovePrinterDriver(int model) {
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
    Outcome RemoveInf(int model) {
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
    Outcome RemoveCatalog(const std::string& name, bool sameBytes) {
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
        std::wstring wide(name.begin(), name.end());   // catalogue names are ASCII
        CryptCATAdminRemoveCatalog(admin.get(), wide.c_str(), 0);
        return Exists(installed) ? Outcome::Failed : Outcome::Done;
    }

    Outcome RemoveShortcut(int model) {
        const std::string programs = setup::engine::CommonProgramsFolder();
        if (programs.empty()) return Outcome::Nothing;
        const std::string folder = setup::core::ShortcutFolder(programs);
        const Outcome link = RemoveFile(folder + "\\" + uninstall::ShortcutFileName(model));
        return uninstall::Combine(link, RemoveFolder(folder, link));
    }

    Outcome RemoveMonitorFiles(int model) {
        if (m_driverDir.empty()) return Outcome::Nothing;
        const Outcome exe = RemoveFile(uninstall::MonitorExecutable(m_driverDir, model));
        return uninstall::Combine(exe, RemoveFolder(m_driverDir + "\\PGW", exe));
    }

    Outcome RemoveFiles(const std::vector<uninstall::PackageFile>& files) {
        if (m_driverDir.empty()) return Outcome::Nothing;
        Outcome outcome = Outcome::Nothing;
        for (const uninstall::PackageFile& f : files) {
            if (f.needsVersionCheck && Exists(f.path) &&
                !IsOurFile(f.path, f.path.substr(f.path.find_last_of('\\') + 1)))
                continue;
            outcome = uninstall::Combine(outcome, RemoveFile(f.path));
        }
        return outcome;
    }

    // The package's catalogue installed in the system, then the files every model shares.
    Outcome RemoveSharedFiles() {
        if (m_driverDir.empty()) return Outcome::Nothing;
        const Outcome catalog = RemoveCatalog(uninstall::kSharedCatalog, true);
        return uninstall::Combine(catalog, RemoveFiles(uninstall::SharedFiles(m_driverDir)));
    }

    Outcome RemoveEntry() {
        const LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, setup::core::kUninstallKey);
        if (rc == ERROR_SUCCESS) return Outcome::Done;
        return rc == ERROR_FILE_NOT_FOUND ? Outcome::Nothing : Outcome::Failed;
    }

    const std::string m_driverDir;
    const std::string m_self;
    const std::vector<std::string> m_pending;
    std::unique_ptr<CInstanceMutex> m_lock;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Win32Uninstall system;
    return uninstall::RunUninstall(system);
}
