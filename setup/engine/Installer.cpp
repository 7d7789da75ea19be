#include "setup/engine/Installer.h"

#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "common/ShortcutFolder.h"
#include "setup/core/DriverRegistration.h"
#include "setup/core/InstallLayout.h"
#include "setup/core/InstallSequence.h"
#include "setup/core/PrinterQueue.h"
#include "setup/core/SetupTexts.h"
#include "setup/engine/DriverDirectory.h"
#include "setup/engine/SpoolerRecords.h"

#include <windows.h>
#include <objbase.h>
#include <setupapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace {

// The set-default-printer call is imported by ordinal, as the spooler exports it (202).
using SetDefaultPrinterFn = BOOL(WINAPI*)(LPCSTR);
SetDefaultPrinterFn SetDefaultPrinterProc() {
    HMODULE winspool = GetModuleHandleA("winspool.drv");
    if (!winspool) return nullptr;
    return reinterpret_cast<SetDefaultPrinterFn>(GetProcAddress(winspool, MAKEINTRESOURCEA(202)));
}

// The shell's directory creation (shell32 ordinal 165): all missing parents, a Win32 error code back.
using SHCreateDirectoryFn = int(WINAPI*)(HWND, LPCWSTR);
SHCreateDirectoryFn SHCreateDirectoryProc() {
    HMODULE shell32 = GetModuleHandleA("shell32.dll");
    if (!shell32) return nullptr;
    return reinterpret_cast<SHCreateDirectoryFn>(GetProcAddress(shell32, MAKEINTRESOURCEA(165)));
}

bool ToWide(const std::string& text, wchar_t* out, int capacity) {
    return MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out, capacity) > 0;
}

bool SetString(HKEY key, const setup::core::RegistryString& value) {
    return RegSetValueExA(key, value.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data.c_str()),
                          value.size()) == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const setup::core::RegistryDword& value) {
    const DWORD data = value.data;
    return RegSetValueExA(key, value.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

// The spooler as the queue creation sees it: one record, the name changed per attempt.
class Spooler : public setup::core::QueueSpooler {
public:
    Spooler(CInstaller& owner, const std::string& port) : m_owner(owner), m_record(port) {}

    bool AddQueue(const std::string& printerName) override {
        m_record.SetName(printerName);
        // The queue's handle is of no further use.
        pw::unique_printer printer(AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(m_record.get())));
        m_lastError = printer ? 0 : GetLastError();
        return static_cast<bool>(printer);
    }
    unsigned long LastError() const override { return m_lastError; }
    void SetDefaultPrinter(const std::string& printerName) override {
        if (SetDefaultPrinterFn setDefault = SetDefaultPrinterProc()) setDefault(printerName.c_str());
    }
    void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }
    void ReportDriverUnknown() override {
        m_owner.MessageBox(setup::core::kErrorDriverUnknown, setup::core::kCaption, MB_OK | MB_ICONHAND);
    }

private:
    CInstaller& m_owner;
    setup::engine::PrinterRecord m_record;
    unsigned long m_lastError = 0;
};

}  // namespace

CInstaller::CInstaller() : m_driverCalls(setup::engine::SystemDriverCalls()) {}
CInstaller::CInstaller(setup::engine::DriverCalls& driverCalls) : m_driverCalls(driverCalls) {}
CInstaller::~CInstaller() = default;

std::string CInstaller::DriverDir() const { return m_pszDriverDir ? std::string(m_pszDriverDir.get()) : std::string(); }

void CInstaller::InstallPrinter() {
    BeginWaitCursor();
    setup::core::InstallOutcome outcome;
    setup::core::InstallStep step = setup::core::InstallStep::GetDriverDirectory;
    while (step != setup::core::InstallStep::Done) {
        const bool succeeded = RunStep(step);
        step = setup::core::NextInstallStep(step, {succeeded, m_strPrinterName}, catalogue::ModelName, outcome);
    }
    m_bDirectoryFound = outcome.directoryFound;
    m_bDriverAdded = outcome.driverAdded;
    m_bQueueAdded = outcome.queueAdded;
    if (!outcome.result.empty()) m_strResult = outcome.result;
    EndWaitCursor();
}

bool CInstaller::RunStep(setup::core::InstallStep step) {
    using setup::core::InstallStep;
    switch (step) {
    case InstallStep::GetDriverDirectory: return GetDriverDirectory() == 1;
    case InstallStep::RegisterDriver: return RegisterDriver() == 1;
    case InstallStep::AddPrinterQueue: return AddPrinterQueue() == 1;
    case InstallStep::DeployMonitor: return DeployMonitor() == 1;
    case InstallStep::RegisterAutoRun: RegisterAutoRun(); return true;
    case InstallStep::CreateShortcut: CreateShortcut(); return true;
    case InstallStep::LaunchMonitor: LaunchMonitor(); return true;
    case InstallStep::StageInf: return StageInf() == 1;
    case InstallStep::WriteUninstallEntry: return WriteUninstallEntry() == 1;
    case InstallStep::Done: break;
    }
    return false;
}

void CInstaller::ShowResult() {
    setup::core::InstallOutcome outcome;
    outcome.directoryFound = m_bDirectoryFound != 0;
    outcome.driverAdded = m_bDriverAdded != 0;
    outcome.queueAdded = m_bQueueAdded != 0;
    outcome.result = m_strResult;
    const setup::core::ResultMessage message = setup::core::ChooseResultMessage(outcome);
    MessageBox(message.text.c_str(), setup::core::kCaption, MB_OK | message.icon);
}

int CInstaller::GetDriverDirectory() { return setup::engine::QueryDriverDirectory(m_pszDriverDir); }

int CInstaller::RegisterDriver() {
    bool present = static_cast<bool>(m_pszDriverDir);
    for (const char* file : setup::core::kUniversalDriverFiles)
        if (present && !m_driverCalls.FileExists(DriverDir() + "\\" + file)) present = false;
    const setup::core::DriverRoute route =
        setup::core::ChooseDriverRoute(present, !present && m_driverCalls.CanInstallFromPackage());
    bool registered = false;
    setup::core::DriverStep step = setup::core::FirstDriverStep(route);
    while (step != setup::core::DriverStep::Done) {
        const bool succeeded = RunDriverStep(step);
        step = setup::core::NextDriverStep(step, succeeded, registered);
    }
    return registered ? 1 : 0;
}

bool CInstaller::RunDriverStep(setup::core::DriverStep step) {
    using setup::core::DriverStep;
    switch (step) {
    case DriverStep::AddDriverRecord: {
        setup::engine::DriverRecord record;
        return m_driverCalls.AddDriverRecord(*record.get());
    }
    // The INF store names the staged copy (also when it was staged before).
    case DriverStep::StagePackage: return StageInf() == 1 && m_szOemInf[0] != '\0';
    case DriverStep::InstallFromPackage: {
        const std::string staged = m_szOemInf;
        // The package is installed from the driver store; the INF store's copy
        // names it where the system cannot say where the store keeps it.
        std::string inf = m_driverCalls.DriverStoreInf(staged);
        if (inf.empty()) inf = staged;
        return SUCCEEDED(m_driverCalls.InstallFromPackage(inf, catalogue::ModelName));
    }
    case DriverStep::Done: break;
    }
    return false;
}

int CInstaller::AddPrinterQueue() {
    Spooler spooler(*this, m_strPort);
    return setup::core::AddPrinterQueue(spooler, catalogue::ModelName, m_strPrinterName) ? 1 : 0;
}

int CInstaller::StageInf() {
    if (!GetDriverDirectory()) return 0;
    if (!setup::core::CopyBounded(m_szInfPath, sizeof m_szInfPath, setup::core::InfPath(DriverDir()))) return 0;
    if (SetupCopyOEMInfA(m_szInfPath, nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, m_szOemInf, sizeof m_szOemInf, nullptr,
                         nullptr))
        return 1;
    // Staged by an earlier installation: the store has it, which is all we need.
    return GetLastError() == ERROR_FILE_EXISTS ? 1 : 0;
}

int CInstaller::DeployMonitor() {
    if (!m_pszDriverDir) return 0;  // without D every path below would point at the drive's root
    const std::string target = setup::core::MonitorTargetDir(DriverDir());  // ends in two nulls
    wchar_t wideTarget[MAX_PATH];
    SHCreateDirectoryFn createDirectory = SHCreateDirectoryProc();
    if (!createDirectory || !ToWide(target, wideTarget, MAX_PATH)) return 0;
    const int created = createDirectory(nullptr, wideTarget);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS) return 0;

    const auto source = setup::core::MonitorSource();  // zero-filled, so double-null-terminated
    SHFILEOPSTRUCTA op;
    ZeroMemory(&op, sizeof op);
    op.hwnd = nullptr;
    op.wFunc = FO_COPY;
    op.pFrom = source.data();
    op.pTo = target.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    BeginWaitCursor();
    const int copied = SHFileOperationA(&op);
    EndWaitCursor();
    return copied == 0 && !op.fAnyOperationsAborted ? 1 : 0;
}

void CInstaller::RegisterAutoRun() {
    if (!m_pszDriverDir) return;
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setup::core::kRunKey, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    SetString(key.get(), {setup::core::AutoRunValueName(), setup::core::AutoRunValueData(DriverDir())});
}

void CInstaller::CreateShortcut() {
    // The apartment stays for the rest of the installer's user-interface thread.
    if (!m_pszDriverDir) return;
    CoInitialize(nullptr);
    const std::string description = setup::core::ShortcutDescription();

    const std::string programs = pw::CommonProgramsFolder();
    if (programs.empty()) return;

    const std::string folder = setup::core::ShortcutFolder(programs);
    CreateDirectoryA(folder.c_str(), nullptr);  // it may exist already
    const std::string linkFile = setup::core::ShortcutFile(folder);
    const std::string target = setup::core::MonitorExecutable(DriverDir());

    pw::com_ptr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return;
    pw::com_ptr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return;
    // S_FALSE (target not found) still sets the path.
    if (FAILED(link->SetPath(target.c_str()))) return;
    link->SetDescription(description.c_str());
    wchar_t wideLink[MAX_PATH];
    if (!ToWide(linkFile, wideLink, MAX_PATH)) return;
    file->Save(wideLink, TRUE);
}

int CInstaller::WriteUninstallEntry() {
    if (!m_pszDriverDir) return 0;
    const setup::core::UninstallValues values = setup::core::MakeUninstallValues(DriverDir());
    {
        pw::unique_hkey created;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, setup::core::kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, created.put(), nullptr) != ERROR_SUCCESS)
            return 0;
    }
    pw::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setup::core::kUninstallKey, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS)
        return 0;
    int written = 0;
    if (SetString(key.get(), values.displayName) && SetString(key.get(), values.uninstallString)) written = 1;
    SetString(key.get(), values.displayIcon);
    SetString(key.get(), values.publisher);
    SetString(key.get(), values.displayVersion);
    SetDword(key.get(), values.noModify);
    SetDword(key.get(), values.noRepair);
    std::uint64_t bytes = 0;
    for (const std::string& file : setup::core::InstalledFiles(DriverDir())) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    SetDword(key.get(), setup::core::EstimatedSize(bytes));
    return written;
}

void CInstaller::LaunchMonitor() {
    if (!m_pszDriverDir) return;
    const std::string monitor = setup::core::MonitorExecutable(DriverDir());
    ShellExecuteA(nullptr, "open", monitor.c_str(), nullptr, nullptr, SW_MINIMIZE);
}
