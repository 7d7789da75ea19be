// The simulated printer's states: what the parallel port's status register
// reads in each, the code the monitor derives from it and the title its
// status window then shows. No Win32 here; the control program and its
// tests share the table.
#pragma once

#include <string_view>

namespace sim {

enum class PrinterState { Ready, PaperOut, Offline, Off, Busy };

struct StateInfo {
    PrinterState state;
    const char* name;      // as typed on the command line
    unsigned char status;  // status register byte (bits 7 busy#, 5 paper out, 4 select, 3 error#)
    int code;              // the monitor's parallel status code for that byte
    const char* title;     // the status window's title once the monitor shows it; null if none is fixed
};

// Busy (bit 7 low) matches none of the monitor's patterns: code -1, and with no
// job printing the monitor reports it as a communication fault after a while.
inline constexpr StateInfo kStates[] = {
    {PrinterState::Ready, "ready", 0x98, 2, "Ready"},
    {PrinterState::PaperOut, "paperout", 0x20, 3, "Paper-Out Error"},
    {PrinterState::Offline, "offline", 0x08, 4, "Printer OFFLINE Error"},
    {PrinterState::Off, "off", 0x78, 1, "Communicaton Error"},
    {PrinterState::Busy, "busy", 0x18, -1, nullptr},
};

// The state named on a command line ("paper-out" and "paper_out" are accepted
// for "paperout"); null when there is none.
inline const StateInfo* FindState(std::string_view name) {
    std::string_view key = name;
    char folded[16] = {};
    if (name.size() < sizeof folded) {
        std::size_t n = 0;
        for (char c : name) {
            if (c == '-' || c == '_') continue;
            folded[n++] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        key = std::string_view(folded, n);
    }
    for (const StateInfo& s : kStates)
        if (key == s.name) return &s;
    return nullptr;
}

// The state whose register byte this is; null for a byte the simulator never writes.
inline const StateInfo* StateOfRegister(unsigned long value) {
    for (const StateInfo& s : kStates)
        if (value == s.status) return &s;
    return nullptr;
}

}  // namespace sim
