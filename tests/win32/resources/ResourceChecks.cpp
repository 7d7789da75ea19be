#include "ResourceChecks.h"

#include "common/Handles.h"
#include "testbed/Bench.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace restest {
namespace {

inline void delete_dc(HDC h) { DeleteDC(h); }
using unique_mem_dc = pw::unique_any<HDC, &delete_dc>;

// Little-endian reader that refuses to run past the end.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok; }
    std::size_t pos() const { return m_pos; }
    std::uint16_t word() {
        if (!need(2)) return 0;
        std::uint16_t v = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::uint32_t dword() {
        std::uint32_t lo = word();
        std::uint32_t hi = word();
        return lo | (hi << 16);
    }
    std::uint8_t byte() {
        if (!need(1)) return 0;
        return m_bytes[m_pos++];
    }
    void skip(std::size_t n) {
        if (need(n)) m_pos += n;
    }
    void align4() {
        std::size_t pad = (4 - m_pos % 4) % 4;
        if (m_pos + pad <= m_bytes.size())
            m_pos += pad;
        else
            m_pos = m_bytes.size();
    }
    // A zero-terminated UTF-16 string; characters above 0xFF (none in our
    // templates) become '?', 0x80-0xFF map to the same single byte.
    std::string wstring() {
        std::string out;
        for (;;) {
            std::uint16_t c = word();
            if (!m_ok || c == 0) break;
            out += c <= 0xFF ? static_cast<char>(c) : '?';
        }
        return out;
    }
    // sz_Or_Ord: empty, an ordinal ("#n") or a string.
    std::string sz_or_ord() {
        if (!need(2)) return {};
        std::uint16_t first = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        if (first == 0) {
            m_pos += 2;
            return {};
        }
        if (first == 0xFFFF) {
            m_pos += 2;
            return "#" + std::to_string(word());
        }
        return wstring();
    }

private:
    bool need(std::size_t n) {
        if (!m_ok || m_bytes.size() - m_pos < n) {
            m_ok = false;
            return false;
        }
        return true;
    }
    const std::vector<std::uint8_t>& m_bytes;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

std::string ClassFromTemplate(const std::string& raw) {
    static const struct {
        const char* ord;
        const char* name;
    } kAtoms[] = {{"#128", "Button"},  {"#129", "Edit"},      {"#130", "Static"},
                  {"#131", "ListBox"}, {"#132", "ScrollBar"}, {"#133", "ComboBox"}};
    for (const auto& a : kAtoms)
        if (raw == a.ord) return a.name;
    return raw;
}

bool SameClass(const std::string& a, const std::string& b) {
    return a.size() == b.size() && _stricmp(a.c_str(), b.c_str()) == 0;
}

// Position and size in pixels, each mapped on its own as the dialog manager
// does when it creates a control (so rounding matches): left, top, width, height.
RECT DialogUnitsToPixels(HWND dlg, const RECT& du) {
    RECT pos{du.left, du.top, 0, 0};
    RECT size{du.right, du.bottom, 0, 0};
    MapDialogRect(dlg, &pos);
    MapDialogRect(dlg, &size);
    return RECT{pos.left, pos.top, size.left, size.top};
}

INT_PTR CALLBACK TrivialProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG ? TRUE : FALSE; }

void PumpMessages(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(10);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

std::string VersionBlock() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return {};
    std::string block(size, '\0');
    if (!GetFileVersionInfoA(path, 0, size, &block[0])) return {};
    return block;
}

std::string FormatVersion(DWORD ms, DWORD ls) {
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
           std::to_string(LOWORD(ls));
}

const VS_FIXEDFILEINFO* FixedInfo(const std::string& block) {
    void* p = nullptr;
    UINT len = 0;
    if (block.empty() || !VerQueryValueA(block.data(), "\\", &p, &len) || len < sizeof(VS_FIXEDFILEINFO))
        return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(p);
}

}  // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int AskedDpi() {
    const char* asked = std::getenv("PW_LOG_PIXELS");
    return asked && *asked ? std::atoi(asked) : 96;
}

bool ButtonTextFits(HWND button, std::string* detail) {
    char text[512] = {};
    GetWindowTextA(button, text, sizeof text);
    RECT box{};
    GetClientRect(button, &box);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE));
    const DWORD type = style & BS_TYPEMASK;
    // Room the button's own drawing takes from its text: the push button's
    // edges on both sides; the check mark or radio circle (13 px at 96 dpi)
    // and its gap before a check box's or radio button's text.
    const bool mark = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
                      type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    const int taken = mark ? MulDiv(13, ScreenDpi(), 96) + 4 : 2 * GetSystemMetrics(SM_CXEDGE);
    RECT need{0, 0, box.right - taken, box.bottom};
    HDC dc = GetDC(button);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)));
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | (style & BS_MULTILINE ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(button, dc);
    if (detail)
        *detail = "\"" + std::string(text) + "\" needs " + std::to_string(need.right + taken) + "x" +
                  std::to_string(need.bottom) + " px, the button has " + std::to_string(box.right) + "x" +
                  std::to_string(box.bottom);
    return need.right + taken <= box.right && need.bottom <= box.bottom;
}

bool TextFits(HWND control, std::string* detail) {
    char text[1024] = {};
    GetWindowTextA(control, text, sizeof text);
    RECT box{};
    GetClientRect(control, &box);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT need = box;
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (detail)
        *detail = "\"" + std::string(text) + "\" needs " + std::to_string(need.right) + "x" +
                  std::to_string(need.bottom) + " px, the control has " + std::to_string(box.right) + "x" +
                  std::to_string(box.bottom);
    return need.right <= box.right && need.bottom <= box.bottom;
}

std::optional<std::vector<std::uint8_t>> ResourceBytes(LPCSTR type, LPCSTR name) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(self, name, type);
    if (!res) return std::nullopt;
    const DWORD size = SizeofResource(self, res);
    HGLOBAL loaded = LoadResource(self, res);
    const void* bits = loaded ? LockResource(loaded) : nullptr;
    if (!bits || size == 0) return std::nullopt;
    const auto* p = static_cast<const std::uint8_t*>(bits);
    return std::vector<std::uint8_t>(p, p + size);
}

std::optional<TemplateInfo> ParseDialogTemplate(const std::vector<std::uint8_t>& bytes) {
    Reader in(bytes);
    TemplateInfo t;
    if (in.word() != 1 || in.word() != 0xFFFF) return std::nullopt;  // dlgVer, signature
    in.dword();                                                      // helpID
    t.exStyle = in.dword();
    t.style = in.dword();
    const int count = in.word();
    t.x = static_cast<short>(in.word());
    t.y = static_cast<short>(in.word());
    t.cx = static_cast<short>(in.word());
    t.cy = static_cast<short>(in.word());
    in.sz_or_ord();  // menu
    in.sz_or_ord();  // window class
    t.caption = in.wstring();
    if (t.style & DS_SETFONT) {
        t.pointSize = in.word();
        in.word();  // weight
        in.byte();  // italic
        in.byte();  // charset
        t.typeface = in.wstring();
    }
    for (int i = 0; i < count && in.ok(); ++i) {
        in.align4();
        TemplateItem item;
        in.dword();  // helpID
        item.exStyle = in.dword();
        item.style = in.dword();
        item.x = static_cast<short>(in.word());
        item.y = static_cast<short>(in.word());
        item.cx = static_cast<short>(in.word());
        item.cy = static_cast<short>(in.word());
        item.id = static_cast<int>(in.dword());
        item.className = ClassFromTemplate(in.sz_or_ord());
        item.text = in.sz_or_ord();
        in.skip(in.word());  // creation data
        t.items.push_back(item);
    }
    if (!in.ok()) return std::nullopt;
    return t;
}

void ExpectTemplateMatches(const ExpectedDialog& expected) {
    SCOPED_TRACE("dialog template " + std::to_string(expected.id));
    auto bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEA(expected.id));
    ASSERT_TRUE(bytes);
    auto t = ParseDialogTemplate(*bytes);
    ASSERT_TRUE(t) << "not a complete DLGTEMPLATEEX";
    EXPECT_EQ(t->style, expected.style);
    EXPECT_EQ(t->exStyle, expected.exStyle);
    EXPECT_EQ(t->caption, expected.caption);
    EXPECT_EQ(t->cx, expected.width);
    EXPECT_EQ(t->cy, expected.height);
    EXPECT_EQ(t->pointSize, 8);
    EXPECT_EQ(t->typeface, "MS Shell Dlg");
    ASSERT_EQ(t->items.size(), expected.controls.size());
    for (std::size_t i = 0; i < expected.controls.size(); ++i) {
        const ExpectedControl& e = expected.controls[i];
        const TemplateItem& a = t->items[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(e.id));
        EXPECT_EQ(static_cast<short>(a.id), e.id);
        EXPECT_TRUE(SameClass(a.className, e.className)) << a.className << " vs " << e.className;
        EXPECT_EQ(a.text, e.text);
        EXPECT_EQ(a.style, e.style) << std::hex << a.style << " vs " << e.style;
        EXPECT_EQ(a.exStyle, 0u);
        EXPECT_EQ(a.x, e.du.left);
        EXPECT_EQ(a.y, e.du.top);
        EXPECT_EQ(a.cx, e.du.right);
        EXPECT_EQ(a.cy, e.du.bottom);
    }
}

HWND CreateAndCheckDialog(const ExpectedDialog& expected) {
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(expected.id), nullptr, TrivialProc, 0);
    EXPECT_TRUE(dlg) << "template " << expected.id << " did not create, error " << GetLastError();
    if (!dlg) return nullptr;
    SCOPED_TRACE("dialog " + std::to_string(expected.id) + " at " + std::to_string(ScreenDpi()) + " dpi");
    // The resolution the run asked for (PW_LOG_PIXELS), or the check proves nothing.
    EXPECT_EQ(ScreenDpi(), AskedDpi());

    char caption[256] = {};
    GetWindowTextA(dlg, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), expected.caption);
    EXPECT_TRUE(GetWindowLongA(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW || !(expected.exStyle & WS_EX_APPWINDOW));

    // The client area is the template's size.
    RECT client{};
    GetClientRect(dlg, &client);
    const RECT size = DialogUnitsToPixels(dlg, RECT{0, 0, expected.width, expected.height});
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    // The dialog font is the template's.
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    EXPECT_TRUE(font && GetObjectA(font, sizeof lf, &lf));
    EXPECT_STREQ(lf.lfFaceName, "MS Shell Dlg");

    // Children in Z order are the controls in template order.
    std::vector<HWND> children;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    EXPECT_EQ(children.size(), expected.controls.size());
    for (std::size_t i = 0; i < children.size() && i < expected.controls.size(); ++i) {
        const ExpectedControl& e = expected.controls[i];
        HWND c = children[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(e.id));
        EXPECT_EQ(static_cast<short>(GetDlgCtrlID(c)), e.id);
        char cls[64] = {};
        GetClassNameA(c, cls, sizeof cls);
        EXPECT_TRUE(SameClass(cls, e.className)) << cls;

        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        const RECT want = DialogUnitsToPixels(dlg, e.du);
        EXPECT_EQ(r.left, want.left);
        EXPECT_EQ(r.top, want.top);
        // Inside its dialog, whatever the resolution. An etched line is laid
        // where the template puts it: Wine adds its static edge around it.
        const DWORD styleType = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE)) & SS_TYPEMASK;
        const bool etched = SameClass(cls, "Static") && (styleType == SS_ETCHEDHORZ || styleType == SS_ETCHEDVERT);
        const RECT laid = etched ? RECT{want.left, want.top, want.left + want.right, want.top + want.bottom} : r;
        EXPECT_TRUE(laid.left >= 0 && laid.top >= 0 && laid.right <= client.right && laid.bottom <= client.bottom)
            << "control at " << laid.left << "," << laid.top << "-" << laid.right << "," << laid.bottom << " in a "
            << client.right << "x" << client.bottom << " dialog";

        const DWORD type = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE)) & SS_TYPEMASK;
        const bool imageStatic = SameClass(cls, "Static") && (type == SS_BITMAP || type == SS_ICON);
        if (imageStatic && type == SS_BITMAP) {
            // The static holds the named bitmap; without SS_CENTERIMAGE it takes the bitmap's size.
            HBITMAP bmp = reinterpret_cast<HBITMAP>(SendMessageA(c, STM_GETIMAGE, IMAGE_BITMAP, 0));
            BITMAP bm{};
            const bool haveBitmap = bmp && GetObjectA(bmp, sizeof bm, &bm);
            EXPECT_TRUE(haveBitmap) << "no bitmap in the picture control";
            auto info = LoadBitmapInfo(std::atoi(e.text.c_str() + 1));
            EXPECT_TRUE(info) << "no bitmap resource " << e.text;
            if (!haveBitmap || !info) continue;
            EXPECT_EQ(bm.bmWidth, info->width);
            EXPECT_EQ(bm.bmHeight, info->height);
            if (e.style & SS_CENTERIMAGE) {
                EXPECT_EQ(r.right - r.left, want.right);
                EXPECT_EQ(r.bottom - r.top, want.bottom);
            } else {
                EXPECT_EQ(r.right - r.left, info->width);
                EXPECT_EQ(r.bottom - r.top, info->height);
            }
        } else if (!imageStatic) {
            // Etched lines are drawn along one edge; the control may shrink to the line.
            if (!(SameClass(cls, "Static") && (type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT))) {
                EXPECT_EQ(r.right - r.left, want.right);
                EXPECT_EQ(r.bottom - r.top, want.bottom);
            }
            char text[512] = {};
            GetWindowTextA(c, text, sizeof text);
            EXPECT_EQ(std::string(text), e.text);
            // Texts are shown whole: word-wrapped in the dialog font they fit their control.
            if (SameClass(cls, "Static") && type <= SS_RIGHT && text[0]) {
                std::string detail;
                EXPECT_TRUE(TextFits(c, &detail)) << detail;
            }
            const DWORD buttonType = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE)) & BS_TYPEMASK;
            if (SameClass(cls, "Button") && buttonType != BS_GROUPBOX && buttonType != BS_OWNERDRAW && text[0]) {
                std::string detail;
                EXPECT_TRUE(ButtonTextFits(c, &detail)) << detail;
            }
        }
    }
    return dlg;
}

std::vector<int> IconGroupSizes(int groupId) {
    std::vector<int> sizes;
    auto bytes = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEA(groupId));
    if (!bytes) return sizes;
    Reader in(*bytes);
    in.word();                         // reserved
    if (in.word() != 1) return sizes;  // type: icon
    const int count = in.word();
    for (int i = 0; i < count; ++i) {
        const int w = in.byte();
        in.skip(13);  // height, colours, reserved, planes, bits, bytes, id
        if (!in.ok()) return {};
        sizes.push_back(w == 0 ? 256 : w);
    }
    return sizes;
}

int LoadedIconSize(int groupId, int size) {
    HICON raw =
        static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(groupId), IMAGE_ICON, size, size, 0));
    pw::unique_hicon icon(raw);
    if (!icon) return 0;
    ICONINFO ii{};
    if (!GetIconInfo(icon.get(), &ii)) return 0;
    pw::unique_hbitmap colour(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm{};
    if (!colour || !GetObjectA(colour.get(), sizeof bm, &bm)) return 0;
    return bm.bmWidth == bm.bmHeight ? bm.bmWidth : -1;
}

std::optional<BitmapInfo> LoadBitmapInfo(int id) {
    HBITMAP raw = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    pw::unique_hbitmap bmp(raw);
    DIBSECTION ds{};
    if (!bmp || GetObjectA(bmp.get(), sizeof ds, &ds) != sizeof ds) return std::nullopt;
    return BitmapInfo{ds.dsBm.bmWidth, ds.dsBm.bmHeight, ds.dsBmih.biBitCount};
}

std::optional<AniInfo> ParseAni(const std::vector<std::uint8_t>& bytes) {
    Reader in(bytes);
    auto tag = [&in] {
        std::uint32_t t = in.dword();
        return t;
    };
    auto fourcc = [](const char* s) {
        return static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
               (static_cast<std::uint32_t>(s[2]) << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
    };
    if (tag() != fourcc("RIFF")) return std::nullopt;
    const std::uint32_t riffSize = in.dword();
    if (!in.ok() || riffSize != bytes.size() - 8) return std::nullopt;
    if (tag() != fourcc("ACON")) return std::nullopt;
    AniInfo info;
    bool haveHeader = false;
    while (in.ok() && in.pos() + 8 <= bytes.size()) {
        const std::uint32_t id = tag();
        const std::uint32_t size = in.dword();
        const std::size_t start = in.pos();
        if (!in.ok() || size > bytes.size() - start) return std::nullopt;
        if (id == fourcc("anih")) {
            if (size < 36 || in.dword() != 36) return std::nullopt;
            info.frames = in.dword();
            info.steps = in.dword();
            in.skip(16);  // width, height, bit count, planes
            info.rate = in.dword();
            info.flags = in.dword();
            haveHeader = true;
        } else if (id == fourcc("LIST") && size >= 4 && tag() == fourcc("fram")) {
            while (in.ok() && in.pos() + 8 <= start + size) {
                const std::uint32_t sub = tag();
                const std::uint32_t subSize = in.dword();
                if (!in.ok() || subSize > start + size - in.pos()) return std::nullopt;
                if (sub == fourcc("icon")) ++info.iconChunks;
                in.skip(subSize + (subSize & 1));
            }
        }
        const std::size_t next = start + size + (size & 1);
        if (next > bytes.size()) break;
        if (in.pos() > next) return std::nullopt;
        in.skip(next - in.pos());
    }
    if (!haveHeader) return std::nullopt;
    return info;
}

std::string VersionString(const std::string& name) {
    const std::string block = VersionBlock();
    if (block.empty()) return {};
    void* p = nullptr;
    UINT len = 0;
    const std::string path = "\\StringFileInfo\\040904b0\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), &p, &len) || !p) return {};
    return std::string(static_cast<const char*>(p));
}

std::string FixedFileVersion() {
    const std::string block = VersionBlock();
    const VS_FIXEDFILEINFO* f = FixedInfo(block);
    return f ? FormatVersion(f->dwFileVersionMS, f->dwFileVersionLS) : std::string();
}

std::string FixedProductVersion() {
    const std::string block = VersionBlock();
    const VS_FIXEDFILEINFO* f = FixedInfo(block);
    return f ? FormatVersion(f->dwProductVersionMS, f->dwProductVersionLS) : std::string();
}

bool ShowAndShoot(HWND window, const std::string& name) {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    PumpMessages(400);
    const int dpi = ScreenDpi();
    return bench::Screenshot(dpi == 96 ? name : name + "_" + std::to_string(dpi) + "dpi");
}

std::string LoadedCommonControlsPath() {
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    if (!comctl) comctl = LoadLibraryA("comctl32.dll");
    if (!comctl) return {};
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    std::string lower(path);
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace restest
