#include "monitor/core/Display.h"

namespace monitor {

std::uint32_t TitleColour(const std::string& title) {
    return (title == "Ready" || title == "Printing") ? kTitleBlue : kTitleGrey;
}

// Tips 5 and 6 carry the ANSI en dash, byte 0x96.
const char* const PrintingTips[kTipCount] = {
    "In case of \"Printer Fonts\" set font size as 10 for better throughput and speed.",
    "Ensure same \"Page Size\" setting is selected in application (like MS-Word) and also in printer driver.",
    "For multicopy stationary use Copy Mode setting as Enabled for good quality printing.",
    "In case of power failure or the printer is switched OFF while printing, cancel the previous print job and "
    "clear the printer buffer memory.",
    "If the printer is printing slow, try Bidirectional setting in Printer Menu mode.",
    "Caution \x96 Do not rotate the platen knob while printer is switched ON.",
    "Caution \x96 Do not connect the parallel port cable while the printer is switched ON.",
    "Garbage printing indicates a faulty cable or loose connection. Switch OFF the printer, disconnect and "
    "reconnect the cable in printer and computer.",
    "PRINT LED will blink when there is no paper in the printer.",
    "If you are replacing a ribbon be sure the printer is switched OFF.",
    "Use ZYK Ink bank to recharge your ribbon cassette.",
};

const char* NextTip(std::int32_t& tipIndex) {
    if (tipIndex < 0 || tipIndex >= kTipCount) tipIndex = 0;
    return PrintingTips[tipIndex++];
}

std::vector<std::uint32_t> SweepPoints(std::int32_t right, std::int32_t bottom) {
    std::vector<std::uint32_t> points;
    for (std::int32_t x = 0; x < right; x += 5)
        for (std::int32_t y = 0; y < bottom; y += 5)
            points.push_back((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
    return points;
}

}  // namespace monitor
