#include "uninstall/core/UninstallRules.h"

#include "catalogue/Catalogue.h"
#include "common/core/PendingRenames.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace uninstall {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCase(std::string s) {
    for (char& c : s) c = Lower(c);
    return s;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

bool IsDriveAbsolute(const std::string& p) {
    return p.size() >= 3 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':' &&
           p[2] == '\\';
}

}  // namespace

std::string QuestionText(const std::vector<int>& models) {
    if (models.empty())
        return "This program removes what is left of the ZYK Electronics printer software: the port driver and the "
               "shared driver files.\n\nRemove it now?";
    std::string names;
    for (std::size_t i = 0; i < models.size(); ++i) {
        if (i > 0) names += i + 1 == models.size() ? " and the " : ", the ";
        names += ModelName(models[i]);
    }
    const char* parts = models.size() == 1 ? ": the printer, its driver and the status monitor."
                                           : ": the printers, their drivers and the status monitors.";
    return "This program removes the ZYK Electronics printer software for the " + names + parts + "\n\nRemove it now?";
}

const char* ModelName(int model) { return IsModel(model) ? catalogue::kModelName[model] : ""; }

std::string MonitorCaption(int model) { return std::string(ModelName(model)) + kMonitorCaptionSuffix; }

std::string MonitorImageName(int model) {
    return IsModel(model) ? contract::MonitorImageName(contract::RowOf(model)) : std::string();
}

std::string AutoRunValueName(int model) {
    return IsModel(model) ? contract::AutoRunValueName(contract::RowOf(model)) : std::string();
}

std::string MonitorExecutable(const std::string& driverDir, int model) {
    return IsModel(model) ? contract::MonitorExecutable(driverDir, contract::RowOf(model))
                          : contract::FolderPath(driverDir, contract::Folder::Monitor) + "\\";
}

std::string ShortcutFileName(int model) {
    return IsModel(model) ? contract::ShortcutFileName(contract::RowOf(model)) : std::string();
}

std::string InfPath(const std::string& driverDir, int model) {
    return IsModel(model) ? contract::InfPath(driverDir, contract::RowOf(model)) : driverDir + "\\";
}

int ModelOfDriver(const std::string& driverName) {
    for (int model = 0; model < catalogue::kModelCount; ++model)
        if (driverName == catalogue::kModelName[model]) return model;
    return -1;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsOurs(const VersionStrings& version, const std::string& originalFilename) {
    return version.companyName == kCompanyName && !originalFilename.empty() &&
           SameName(version.originalFilename, originalFilename);
}

bool IsUniversalDriverFile(const std::string& fileName) {
    static const char* const kUniversal[] = {"unidrv.dll", "unidrvui.dll", "unidrv.hlp", "unires.dll", "stdnames.gpd"};
    const std::size_t slash = fileName.find_last_of("\\/");
    const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    return std::any_of(std::begin(kUniversal), std::end(kUniversal),
                       [&](const char* name) { return SameName(base, name); });
}

std::string ResolveServiceImagePath(const std::string& imagePath, const std::string& windowsDir) {
    if (imagePath.empty() || windowsDir.empty()) return {};
    // Quotes are allowed around an image path; a driver takes no arguments.
    std::string p = imagePath;
    if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
    if (p.find("..") != std::string::npos || p.find('"') != std::string::npos) return {};
    if (StartsWithNoCase(p, "\\??\\")) p = p.substr(4);
    if (IsDriveAbsolute(p)) return p;
    if (StartsWithNoCase(p, "\\SystemRoot\\")) return windowsDir + p.substr(11);
    if (StartsWithNoCase(p, "%SystemRoot%\\")) return windowsDir + p.substr(12);
    if (StartsWithNoCase(p, "System32\\")) return windowsDir + "\\" + p;
    return {};
}

namespace {

// A universal driver file is never ours to touch, even if a name ever collided with one.
std::vector<PackageFile> WithoutUniversalFiles(std::vector<PackageFile> files) {
    files.erase(std::remove_if(files.begin(), files.end(),
                               [](const PackageFile& f) { return IsUniversalDriverFile(f.path); }),
                files.end());
    return files;
}

// The installed layout's files of a model, or the shared ones (model -1),
// that go with the package files: those without a version check first.
std::vector<PackageFile> LayoutFiles(const std::string& driverDir, int model) {
    const contract::ModelRow row = model >= 0 ? contract::RowOf(model) : contract::ModelRow{"", "", ""};
    std::vector<PackageFile> files;
    for (bool checked : {false, true})
        for (const contract::InstalledFile& file : contract::kInstalledFiles)
            if (!file.ownStep && file.model == (model >= 0) && file.needsVersionCheck == checked)
                files.push_back({contract::FilePath(driverDir, file, row), file.needsVersionCheck});
    return WithoutUniversalFiles(files);
}

std::string Trimmed(const std::string& s) {
    const char* const kBlank = " \t\r\"";
    const std::size_t first = s.find_first_not_of(kBlank);
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlank) + 1 - first);
}

}  // namespace

std::vector<PackageFile> ModelFiles(const std::string& driverDir, int model) {
    if (!IsModel(model)) return {};
    return LayoutFiles(driverDir, model);
}

std::vector<PackageFile> SharedFiles(const std::string& driverDir) { return LayoutFiles(driverDir, -1); }

bool NamesSharedDll(const char* files, std::size_t size) {
    if (files == nullptr) return false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (files[i] != '\0') continue;
        if (i == start) return false;  // the empty string ends the list
        const std::string name(files + start, i - start);
        const std::size_t slash = name.find_last_of("\\/");
        if (SameName(slash == std::string::npos ? name : name.substr(slash + 1), kSharedDll)) return true;
        start = i + 1;
    }
    return false;  // unterminated: nothing after the last terminator is read
}

bool IsInfCandidate(const std::string& fileName) {
    for (const char* inf : catalogue::kModelInfFile)
        if (SameName(fileName, inf)) return true;
    const std::string lower = LowerCase(fileName);
    if (lower.size() < 8 || lower.compare(0, 3, "oem") != 0 || lower.compare(lower.size() - 4, 4, ".inf") != 0)
        return false;
    const std::string digits = lower.substr(3, lower.size() - 7);
    return !digits.empty() && digits.size() <= 6 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool InfMatches(const std::string& inf, int model) {
    if (!IsModel(model)) return false;
    const std::string hardwareId = LowerCase(std::string("USBPRINT\\ZYK") + catalogue::kModelKey[model]);
    bool inVersion = false;
    bool namesCatalog = false;
    bool namesModel = false;
    std::size_t start = 0;
    while (start < inf.size()) {
        std::size_t end = inf.find('\n', start);
        if (end == std::string::npos) end = inf.size();
        std::string line = LowerCase(inf.substr(start, end - start));
        start = end + 1;
        line = Trimmed(line.substr(0, line.find(';')));  // comments end the line
        if (!line.empty() && line.front() == '[') {
            inVersion = Trimmed(line.substr(1, line.find(']') - 1)) == "version";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = Trimmed(line.substr(0, equals));
        // "CatalogFile" or a platform's "CatalogFile.NTx86".
        if (inVersion && (key == "catalogfile" || key.rfind("catalogfile.", 0) == 0) &&
            Trimmed(line.substr(equals + 1)) == LowerCase(kSharedCatalog))
            namesCatalog = true;
        // The ids follow the install section: "name" = section, hardware id, compatible ids.
        std::size_t field = equals + 1;
        while (field <= line.size()) {
            const std::size_t comma = std::min(line.find(',', field), line.size());
            if (Trimmed(line.substr(field, comma - field)) == hardwareId) namesModel = true;
            field = comma + 1;
        }
    }
    return namesCatalog && namesModel;
}

std::vector<std::string> PendingDeletions(const unsigned char* bytes, std::size_t size) {
    std::vector<std::string> deletions;
    for (const pw::PendingRename<char>& rename :
         pw::ParsePendingRenames(reinterpret_cast<const char*>(bytes), bytes == nullptr ? 0 : size))
        if (rename.target.empty()) deletions.push_back(pw::PendingPathKey(rename.source));
    return deletions;
}

bool IsPendingDeletion(const std::vector<std::string>& pending, const std::string& path) {
    const std::string lower = LowerCase(path);
    return std::find(pending.begin(), pending.end(), lower) != pending.end();
}

bool BoundedString(const void* buffer, std::size_t size, const char* p, std::string& out) {
    out.clear();
    if (buffer == nullptr || p == nullptr) return false;
    const auto base = reinterpret_cast<std::uintptr_t>(buffer);
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    if (at < base || at - base >= size) return false;
    const std::size_t room = size - (at - base);
    const void* end = std::memchr(p, '\0', room);
    if (end == nullptr) return false;
    out.assign(p, static_cast<const char*>(end) - p);
    return true;
}

}  // namespace uninstall
