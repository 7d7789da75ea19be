// The bench: registry keys and values of the prefix.
#include "testbed/Bench.h"
#include "testbed/BenchShared.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace bench {
namespace {

pw::unique_hkey OpenKey(HKEY root, const std::string& key, REGSAM access) {
    pw::unique_hkey h;
    if (RegOpenKeyExA(root, key.c_str(), 0, access, h.put()) != ERROR_SUCCESS) h.reset();
    return h;
}

pw::unique_hkey CreateKey(HKEY root, const std::string& key) {
    pw::unique_hkey h;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, h.put(),
                        nullptr) != ERROR_SUCCESS)
        h.reset();
    return h;
}

// The raw bytes and type of a value; bounded by what the registry reports.
bool QueryValue(HKEY root, const std::string& key, const std::string& name, std::vector<std::uint8_t>& data,
                DWORD& type) {
    auto h = OpenKey(root, key, KEY_QUERY_VALUE);
    if (!h) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(h.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
        data.assign(size, 0);
        DWORD got = size;
        const LONG rc = RegQueryValueExA(h.get(), name.c_str(), nullptr, &type, size ? data.data() : nullptr, &got);
        if (rc == ERROR_MORE_DATA) continue;  // grew in between
        if (rc != ERROR_SUCCESS) return false;
        data.resize(std::min(got, size));
        return true;
    }
    return false;
}

bool SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
              std::size_t size) {
    auto h = CreateKey(root, key);
    return h && RegSetValueExA(h.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                               static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

}  // namespace

// ---------------------------------------------------------------- registry

namespace reg {

bool SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value, DWORD type) {
    return SetValue(root, key, name, type, value.c_str(), value.size() + 1);
}

bool SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    return SetValue(root, key, name, REG_DWORD, &value, sizeof value);
}

bool SetMultiSz(HKEY root, const std::string& key, const std::string& name, const std::vector<std::string>& values) {
    std::string data;
    for (const auto& v : values) {
        data += v;
        data.push_back('\0');
    }
    data.push_back('\0');
    return SetValue(root, key, name, REG_MULTI_SZ, data.data(), data.size());
}

bool SetBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<std::uint8_t>& bytes,
               DWORD type) {
    return SetValue(root, key, name, type, bytes.data(), bytes.size());
}

std::optional<std::string> GetString(HKEY root, const std::string& key, const std::string& name) {
    std::vector<std::uint8_t> data;
    DWORD type = 0;
    if (!QueryValue(root, key, name, data, type) || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::string s(data.begin(), data.end());
    const auto nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

std::string GetRaw(HKEY root, const std::string& key, const std::string& name, DWORD* type) {
    const auto bytes = GetBinary(root, key, name, type);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<no value>");
}

std::optional<DWORD> GetDword(HKEY root, const std::string& key, const std::string& name) {
    std::vector<std::uint8_t> data;
    DWORD type = 0;
    if (!QueryValue(root, key, name, data, type) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD v = 0;
    std::memcpy(&v, data.data(), sizeof v);
    return v;
}

std::optional<std::vector<std::string>> GetMultiSz(HKEY root, const std::string& key, const std::string& name) {
    std::vector<std::uint8_t> data;
    DWORD type = 0;
    if (!QueryValue(root, key, name, data, type) || type != REG_MULTI_SZ) return std::nullopt;
    std::vector<std::string> values;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = start;
        while (end < data.size() && data[end] != 0) ++end;
        if (end == start) break;  // the empty string ends the list
        values.emplace_back(data.begin() + start, data.begin() + end);
        start = end + 1;
    }
    return values;
}

std::optional<std::vector<std::uint8_t>> GetBinary(HKEY root, const std::string& key, const std::string& name,
                                                   DWORD* type) {
    std::vector<std::uint8_t> data;
    DWORD t = 0;
    if (!QueryValue(root, key, name, data, t)) return std::nullopt;
    if (type) *type = t;
    return data;
}

bool KeyExists(HKEY root, const std::string& key) { return static_cast<bool>(OpenKey(root, key, KEY_READ)); }

bool ValueExists(HKEY root, const std::string& key, const std::string& name) {
    auto h = OpenKey(root, key, KEY_QUERY_VALUE);
    return h && RegQueryValueExA(h.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::vector<std::string> SubKeys(HKEY root, const std::string& key) {
    std::vector<std::string> names;
    auto h = OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS);
    if (!h) return names;
    for (DWORD i = 0;; ++i) {
        char buf[256];
        DWORD len = sizeof buf;
        if (RegEnumKeyExA(h.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(buf, std::min<DWORD>(len, sizeof buf));
    }
    return names;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& key) {
    std::vector<std::string> names;
    auto h = OpenKey(root, key, KEY_QUERY_VALUE);
    if (!h) return names;
    for (DWORD i = 0;; ++i) {
        char buf[16384];
        DWORD len = sizeof buf;
        if (RegEnumValueA(h.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(buf, std::min<DWORD>(len, sizeof buf));
    }
    return names;
}

bool DeleteKey(HKEY root, const std::string& key) {
    if (key.empty()) return false;  // never the whole root
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
    return !KeyExists(root, key);
}

bool DeleteValue(HKEY root, const std::string& key, const std::string& name) {
    auto h = OpenKey(root, key, KEY_SET_VALUE);
    if (!h) return false;
    const LONG rc = RegDeleteValueA(h.get(), name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace reg

}  // namespace bench
