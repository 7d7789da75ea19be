// Small rules of the status window's face: the title colour, the rotation of
// the printing tips, and the points of the notification-area sweep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace monitor {

// COLORREF values (0x00BBGGRR).
constexpr std::uint32_t kTitleBlue = 0x00FF0000;  // RGB(0, 0, 255)
constexpr std::uint32_t kTitleGrey = 0x0099A8AC;  // RGB(172, 168, 153)

// Blue for exactly "Ready" or "Printing", grey for every other title.
std::uint32_t TitleColour(const std::string& title);

constexpr int kTipCount = 11;
extern const char* const PrintingTips[kTipCount];

// The tip to show now; advances tipIndex, starting again at 0 after the last
// tip (an index outside the table also starts again at 0).
const char* NextTip(std::int32_t& tipIndex);

// The mouse-move positions of the sweep over a toolbar client area of the given
// size, column by column in 5-pixel steps, each packed as (y << 16) | x.
std::vector<std::uint32_t> SweepPoints(std::int32_t right, std::int32_t bottom);

}  // namespace monitor
