// The bench: screenshots of the prefix's display.
#include "testbed/Bench.h"
#include "testbed/BenchShared.h"

#include "testbed/Png.h"

#include <cstddef>

namespace bench {
namespace {

inline void close_dc(HDC dc) { ReleaseDC(nullptr, dc); }
using unique_screen_dc = pw::unique_any<HDC, &close_dc>;
inline void delete_dc(HDC dc) { DeleteDC(dc); }
using unique_mem_dc = pw::unique_any<HDC, &delete_dc>;

std::string SafeFileName(const std::string& name) {
    std::string s = name.empty() ? std::string("shot") : name;
    for (char& c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
              c == '.'))
            c = '_';
    return s;
}

// A complete PNG ends with the IEND chunk: its length 0, type and fixed CRC.
bool IsCompletePng(const std::string& path) {
    std::string bytes;
    if (!ReadFileText(path, bytes) || bytes.size() < 8 + 12) return false;
    static const char kEnd[] = "\0\0\0\0IEND\xAE\x42\x60\x82";
    return bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
           bytes.compare(bytes.size() - 12, 12, std::string(kEnd, 12)) == 0;
}

// Runs ImageMagick's import on the X display. Wine starts a Unix program
// through CreateProcess but hands back no process handle to wait on, so the
// finished file is the sign that it is done.
bool CaptureWithImport(const std::string& unixTarget, const std::string& windowsTarget) {
    const std::string importExe = "Z:\\usr\\bin\\import";
    if (!FileExists(importExe)) return false;
    const std::string tmpUnix = unixTarget + ".part.png";
    const std::string tmpWin = windowsTarget + ".part.png";
    DeleteFileA(tmpWin.c_str());
    std::string cmd = "import -window root " + Quote(tmpUnix);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(importExe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // For a Unix program Wine leaves the handles unset (hThread may hold junk):
    // own them only when a Windows process was made.
    pw::unique_handle process, thread;
    if (pi.hProcess) {
        process.reset(pi.hProcess);
        thread.reset(pi.hThread);
        WaitForSingleObject(process.get(), 20000);
    }
    const bool done = WaitUntil([&] { return IsCompletePng(tmpWin); }, 20000, 100);
    if (!done) {
        DeleteFileA(tmpWin.c_str());
        return false;
    }
    return MoveFileExA(tmpWin.c_str(), windowsTarget.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// GDI capture of the whole virtual screen, written by our own encoder.
bool CaptureWithGdi(const std::string& windowsTarget) {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0) return false;
    unique_screen_dc screen(GetDC(nullptr));
    if (!screen) return false;
    unique_mem_dc mem(CreateCompatibleDC(screen.get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    pw::unique_hbitmap dib(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!mem || !dib || !bits) return false;
    HGDIOBJ old = SelectObject(mem.get(), dib.get());
    const BOOL ok = BitBlt(mem.get(), 0, 0, w, h, screen.get(), x, y, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(mem.get(), old);
    if (!ok) return false;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    const auto* src = static_cast<const std::uint8_t*>(bits);
    for (std::size_t i = 0, n = static_cast<std::size_t>(w) * h; i < n; ++i) {
        rgb[i * 3 + 0] = src[i * 4 + 2];
        rgb[i * 3 + 1] = src[i * 4 + 1];
        rgb[i * 3 + 2] = src[i * 4 + 0];
    }
    return WriteFileText(windowsTarget, EncodePng(w, h, rgb));
}

}  // namespace

// ---------------------------------------------------------------- screenshots

std::string SafeName(const std::string& name) { return SafeFileName(name); }

bool Screenshot(const std::string& name) {
    const std::string outUnix = EnvVar("PW_OUT");
    if (outUnix.empty() || outUnix[0] != '/') return false;
    const std::string outWin = UnixToWindows(outUnix);
    MakeDirs(outWin);
    const std::string file = SafeFileName(name) + ".png";
    const std::string targetWin = JoinPath(outWin, file);
    const std::string targetUnix = (outUnix.back() == '/' ? outUnix : outUnix + "/") + file;
    // Give the programs a moment to finish painting what they just showed.
    Sleep(300);
    GdiFlush();
    const std::string how = EnvVar("PW_SCREENSHOT");
    if (how != "gdi" && CaptureWithImport(targetUnix, targetWin)) return true;
    return CaptureWithGdi(targetWin);
}

}  // namespace bench
