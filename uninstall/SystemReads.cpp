#include "uninstall/SystemReads.h"

#include "common/SizedRead.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <utility>

namespace uninstall::win32 {

namespace {

constexpr DWORD kMaxSpoolerBuffer = 16u << 20;
constexpr DWORD kMaxServiceConfig = 8192;  // the documented largest QUERY_SERVICE_CONFIG
constexpr DWORD kMaxDriverDirectory = 32768;
constexpr DWORD kMaxVersionInfo = 1u << 20;
constexpr DWORD kMaxInfFile = 1u << 20;
constexpr DWORD kMaxPendingValue = 4u << 20;
constexpr char kPendingKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";

pw::sized_limits SpoolerLimits() {
    pw::sized_limits limits;
    limits.minimum = 1;
    limits.maximum = kMaxSpoolerBuffer;
    return limits;
}

}  // namespace

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

// Probed with a small buffer, read into one of the reported size.
std::string DriverDirectory() {
    pw::sized_limits limits;
    limits.minimum = 1;
    limits.maximum = kMaxDriverDirectory;
    limits.probe = 10;
    const auto call = [](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterDriverDirectoryA(nullptr, nullptr, 1, data, size, needed);
    };
    const pw::sized_record record = pw::read_sized(call, limits);
    if (record.outcome != pw::SizedRead::Read) return {};
    std::string dir;
    uninstall::BoundedString(record.buffer.get(), record.buffer.size(), record.buffer.as<char>(), dir);
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
    if (!out.empty() &&
        (!ReadFile(file.get(), &out[0], static_cast<DWORD>(out.size()), &read, nullptr) || read != out.size()))
        return false;
    return true;
}

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

bool EnumerateQueues(std::vector<QueueRecord>& queues) {
    DWORD count = 0;
    const auto call = [&](BYTE* data, DWORD size, DWORD* needed) {
        count = 0;
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, &count);
    };
    const pw::sized_record record = pw::read_sized(call, SpoolerLimits());
    if (record.outcome == pw::SizedRead::Empty) return true;  // none
    if (record.outcome != pw::SizedRead::Read) return false;
    const pw::heap_buffer& buffer = record.buffer;
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

DriverFacts ReadDrivers() {
    DriverFacts facts;
    DWORD count = 0;
    const auto call = [&](BYTE* data, DWORD size, DWORD* needed) {
        count = 0;
        return EnumPrinterDriversA(nullptr, nullptr, 3, data, size, needed, &count);
    };
    const pw::sized_record record = pw::read_sized(call, SpoolerLimits());
    if (record.outcome == pw::SizedRead::Empty) {
        facts.enumerated = true;
        return facts;
    }
    if (record.outcome != pw::SizedRead::Read) return facts;
    const pw::heap_buffer& buffer = record.buffer;
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

namespace {

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

}  // namespace

std::vector<HWND> FindMonitorWindows(int model) {
    MonitorSearch search{uninstall::MonitorCaption(model), {}};
    EnumWindows(CollectMonitorWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

std::string FixedImagePath() {
    const std::string system = SystemDirectory();
    return system.empty() ? std::string() : system + "\\Drivers\\" + uninstall::kDriverImageName;
}

bool OurServiceImage(std::string& image, pw::unique_service* keep) {
    pw::unique_service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    const DWORD access =
        keep ? (SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_STOP | DELETE) : SERVICE_QUERY_CONFIG;
    pw::unique_service service(OpenServiceA(manager.get(), uninstall::kServiceName, access));
    if (!service) return false;
    pw::sized_limits limits;
    limits.minimum = 1;
    limits.maximum = kMaxServiceConfig;
    const auto call = [&](BYTE* data, DWORD size, DWORD* needed) {
        return QueryServiceConfigA(service.get(), reinterpret_cast<QUERY_SERVICE_CONFIGA*>(data), size, needed);
    };
    const pw::sized_record record = pw::read_sized(call, limits);
    if (record.outcome != pw::SizedRead::Read) return false;
    const auto* config = record.buffer.as<QUERY_SERVICE_CONFIGA>();
    std::string binaryPath;
    if (config->dwServiceType != SERVICE_KERNEL_DRIVER ||
        !uninstall::BoundedString(record.buffer.get(), record.buffer.size(), config->lpBinaryPathName, binaryPath))
        return false;
    image = uninstall::ResolveServiceImagePath(binaryPath, WindowsDirectory());
    if (image.empty() || !IsOurFile(image, uninstall::kDriverImageName)) return false;
    if (keep) *keep = std::move(service);
    return true;
}

}  // namespace uninstall::win32
