#include "setup/engine/FileCopy.h"

#include "common/Handles.h"
#include "common/ShortcutFolder.h"
#include "setup/core/SetupTexts.h"
#include "setup/core/Staging.h"
#include "setup/engine/DriverDirectory.h"

#include <windows.h>
#include <shellapi.h>

#include <array>
#include <string>
#include <vector>

namespace setup::engine {

namespace {

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
constexpr DWORD kMaxPendingBytes = 4u << 20;

// Which patterns match something in the current directory (the medium), and
// the names of the files they match, which staging writes into D.
std::array<bool, core::kPackagePatternNames.size()> MatchPatterns(std::vector<std::string>& names) {
    std::array<bool, core::kPackagePatternNames.size()> matched{};
    for (std::size_t i = 0; i < matched.size(); ++i) {
        WIN32_FIND_DATAA found = {};
        pw::unique_find search(FindFirstFileA(core::kPackagePatternNames[i], &found));
        if (!search) continue;
        matched[i] = true;
        do {
            found.cFileName[MAX_PATH - 1] = '\0';
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileA(search.get(), &found));
    }
    return matched;
}

std::u16string Utf16(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return std::u16string(wide.begin(), wide.end());
}

// An uninstallation not yet completed by a restart left deletions of these
// paths for it; they would delete what this installation writes. Read and
// written in UTF-16: other programs' entries may lie outside the ANSI code page.
void KeepAtRestart(const std::vector<std::string>& paths) {
    pw::unique_hkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), kPendingRenames, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0 || size > kMaxPendingBytes)
        return;
    std::u16string value(size / sizeof(char16_t) + 1, u'\0');
    DWORD read = size;
    if (RegQueryValueExW(key.get(), kPendingRenames, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &read) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ || read > size)
        return;
    value.resize(read / sizeof(char16_t));
    std::vector<std::u16string> ours;
    for (const std::string& path : paths) ours.push_back(Utf16(path));
    const std::optional<std::u16string> kept = core::WithoutDeletionsOf(value, ours);
    if (!kept) return;
    if (kept->empty()) {
        RegDeleteValueW(key.get(), kPendingRenames);
        return;
    }
    RegSetValueExW(key.get(), kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept->data()),
                   static_cast<DWORD>(kept->size() * sizeof(char16_t)));
}

}  // namespace

int CopyPackageFiles(const char* driverDir) {
    if (driverDir == nullptr) return 0;
    std::vector<std::string> names;
    const std::string patterns = core::PackageCopyList(MatchPatterns(names));
    if (patterns.empty()) return 0;  // no package here
    // pTo is a list like pFrom: the shell reads on to a second null, which the
    // directory buffer does not have.
    std::string destination(driverDir);
    destination.push_back('\0');  // c_str() adds the second
    SHFILEOPSTRUCTA op;
    ZeroMemory(&op, sizeof op);
    op.hwnd = nullptr;
    op.wFunc = FO_COPY;
    op.pFrom = patterns.c_str();  // double-null-terminated
    op.pTo = destination.c_str();
    // Overwrite earlier copies without asking; the shell may show its progress and its own errors.
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    if (SHFileOperationA(&op) != 0 || op.fAnyOperationsAborted) return 0;
    KeepAtRestart(core::WrittenPaths(driverDir, names, pw::CommonProgramsFolder()));
    return 1;
}

}  // namespace setup::engine

CFileCopy::CFileCopy(CWnd* pParent) : CDialog(IDD, pParent) {}

CFileCopy::~CFileCopy() = default;

int CFileCopy::GetDriverDirectory() { return setup::engine::QueryDriverDirectory(m_pszDriverDir); }

int CFileCopy::CopyDriverFiles() { return setup::engine::CopyPackageFiles(m_pszDriverDir.get()); }

void CFileCopy::StageDriverFiles() {
    BeginWaitCursor();
    if (!GetDriverDirectory()) {
        EndWaitCursor();
        MessageBox(setup::core::kErrorNoDriverDirectory, setup::core::kCaption, MB_OK | MB_ICONHAND);
        return;
    }
    if (!CopyDriverFiles()) {
        // Without the package in place no installation step can succeed.
        ExitProcess(1);
    }
    EndWaitCursor();
}

BOOL CFileCopy::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}
