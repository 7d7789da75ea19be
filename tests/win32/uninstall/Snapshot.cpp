#include "Snapshot.h"

#include "testbed/Bench.h"

#include <windows.h>

#include <regex>

namespace snapshot {

namespace {

void Walk(const std::string& folder, std::set<std::string>& out) {
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> subfolders;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.insert(path + "\\");
            // Wine's links out of the prefix (the user's home folders) are not the prefix's own.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) subfolders.push_back(path);
        } else {
            const unsigned long long size =
                (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            out.insert(path + " " + std::to_string(size));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (const std::string& sub : subfolders) Walk(sub, out);
}

std::string Narrow(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        const int count = static_cast<int>((bytes.size() - 2) / 2);
        const auto* wide = reinterpret_cast<const wchar_t*>(bytes.data() + 2);
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide, count, &out[0], n, nullptr, nullptr);
        return out;
    }
    return bytes;
}

}  // namespace

std::set<std::string> ParseRegistryExport(const std::string& bytes) {
    std::set<std::string> entries;
    const std::string text = Narrow(bytes);
    std::string key;
    std::string pending;  // a value continued over several lines
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!pending.empty()) {
            std::size_t i = line.find_first_not_of(" \t");
            pending += i == std::string::npos ? std::string() : line.substr(i);
        } else if (!line.empty() && line[0] == '[') {
            key = line;
            entries.insert(key);
            continue;
        } else if (line.empty() || line[0] == ';' || line.rfind("Windows Registry", 0) == 0 ||
                   line.rfind("REGEDIT", 0) == 0 || line[0] == '#') {
            continue;
        } else {
            pending = line;
        }
        if (!pending.empty() && pending.back() == '\\') {
            pending.pop_back();
            continue;
        }
        entries.insert(key + " " + pending);
        pending.clear();
    }
    return entries;
}

bool Take(const std::string& exportFile, const std::vector<std::string>& folders, Snapshot& out, std::string& error) {
    out = {};
    DeleteFileA(exportFile.c_str());
    const auto rc = bench::RunAndWait("regedit.exe /E \"" + exportFile + "\"", 120000);
    std::string bytes;
    if (!rc || *rc != 0 || !bench::ReadFileText(exportFile, bytes)) {
        error = "regedit /E " + exportFile + " failed";
        return false;
    }
    out.registry = ParseRegistryExport(bytes);
    if (out.registry.size() < 100) {
        error = "the registry export holds only " + std::to_string(out.registry.size()) + " entries";
        return false;
    }
    for (const std::string& folder : folders) Walk(folder, out.files);
    return true;
}

std::vector<std::string> Unexplained(const std::set<std::string>& before, const std::set<std::string>& after,
                                     const std::vector<Allowance>& allowed) {
    std::vector<std::regex> patterns;
    for (const Allowance& a : allowed) patterns.emplace_back(a.pattern, std::regex::ECMAScript | std::regex::icase);
    auto covered = [&](const std::string& entry) {
        for (const std::regex& r : patterns)
            if (std::regex_match(entry, r)) return true;
        return false;
    };
    std::vector<std::string> out;
    for (const std::string& e : after)
        if (!before.count(e) && !covered(e)) out.push_back("+ " + e);
    for (const std::string& e : before)
        if (!after.count(e) && !covered(e)) out.push_back("- " + e);
    return out;
}

}  // namespace snapshot
