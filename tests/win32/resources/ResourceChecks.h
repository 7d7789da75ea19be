// Checks shared by the resource tests of both programs: the dialog templates
// as compiled (read back from the executable's own resource bytes) and as
// created, icon groups, bitmaps, animated cursors and version strings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace restest {

// One control as a template table lists it. Styles are compared exactly,
// WS_CHILD and WS_VISIBLE included (every control is a visible child).
struct ExpectedControl {
    int id;
    const char* className;  // "Button", "Static", "Edit", "ListBox", "SysListView32", ...
    std::string text;       // template text; "#152" for an image resource named by id
    DWORD style;
    RECT du;  // left, top, width, height in dialog units
};

struct ExpectedDialog {
    int id;
    DWORD style;
    DWORD exStyle;
    std::string caption;
    int width, height;                      // dialog units
    std::vector<ExpectedControl> controls;  // in template order
};

// One control read back from a DLGTEMPLATEEX.
struct TemplateItem {
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::string className;  // ordinals become their class names
    std::string text;       // an ordinal text becomes "#<n>"
};

struct TemplateInfo {
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    int pointSize = 0;
    std::string typeface;
    std::vector<TemplateItem> items;
};

// The raw bytes of a resource of this executable, or nullopt.
std::optional<std::vector<std::uint8_t>> ResourceBytes(LPCSTR type, LPCSTR name);

// Reads a DLGTEMPLATEEX; every read is bounded by the buffer. nullopt when the
// bytes are not a complete extended template.
std::optional<TemplateInfo> ParseDialogTemplate(const std::vector<std::uint8_t>& bytes);

// Compares the compiled template with the table (gtest expectations).
void ExpectTemplateMatches(const ExpectedDialog& expected);

// Creates the dialog with a trivial procedure, checks every control of the
// running dialog against the table (class, id, text, position, size; image
// statics: their bitmap) and returns it; null on failure (after reporting).
HWND CreateAndCheckDialog(const ExpectedDialog& expected);

// True when the control's text, word-wrapped in the control's font, fits its
// client area; *detail (if given) tells the sizes.
bool TextFits(HWND control, std::string* detail = nullptr);
// The same for a button's text beside what the button draws itself.
bool ButtonTextFits(HWND button, std::string* detail = nullptr);

// The screen's dots per inch, and the ones the run asked for (PW_LOG_PIXELS,
// 96 when not set). CreateAndCheckDialog checks that they agree.
int ScreenDpi();
int AskedDpi();

// Widths of the images in an icon group resource, in directory order.
std::vector<int> IconGroupSizes(int groupId);

// Loads an icon at the given size and reports the size of its colour bitmap
// (0 when it cannot be loaded).
int LoadedIconSize(int groupId, int size);

struct BitmapInfo {
    int width = 0, height = 0, bitsPerPixel = 0;
};
std::optional<BitmapInfo> LoadBitmapInfo(int id);

// The RIFF "ACON" layout of an animated cursor resource.
struct AniInfo {
    std::uint32_t frames = 0, steps = 0, rate = 0, flags = 0;
    std::uint32_t iconChunks = 0;
};
std::optional<AniInfo> ParseAni(const std::vector<std::uint8_t>& bytes);

// A version string of this executable ("CompanyName", ...), from block 040904b0.
std::string VersionString(const std::string& name);
// FILEVERSION and PRODUCTVERSION as "a.b.c.d".
std::string FixedFileVersion();
std::string FixedProductVersion();

// Path of the common controls this process loaded, lower case: the manifest's
// side-by-side version 6 when the loader honoured it.
std::string LoadedCommonControlsPath();

// Shows the window, lets it paint and writes a screenshot to $PW_OUT/<name>.png
// (<name>_120dpi.png at 120 dots per inch).
bool ShowAndShoot(HWND window, const std::string& name);

}  // namespace restest
