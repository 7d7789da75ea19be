// The PendingFileRenameOperations value, which the system carries out at the
// next restart: pairs of strings, a source and its target, where an empty
// target deletes the source; the list ends at an empty final string. The
// uninstaller reads it to know what already waits for the restart; setup
// takes out the deletions of the paths it writes again, or the restart would
// delete the new installation's files. In ANSI or UTF-16 code units, as the
// registry call that read it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pw {

template <typename Char> struct PendingRename {
    std::basic_string<Char> source;
    std::basic_string<Char> target;  // empty: the source is deleted
};

// The pairs of `count` code units as the registry returned them. Every
// string ends at a null inside the value: a trailing unterminated piece, and
// a last source without its target, are dropped.
template <typename Char> std::vector<PendingRename<Char>> ParsePendingRenames(const Char* units, std::size_t count) {
    std::vector<std::basic_string<Char>> strings;
    if (units == nullptr) return {};
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (units[i] != Char(0)) continue;
        strings.emplace_back(units + start, i - start);
        start = i + 1;
    }
    std::vector<PendingRename<Char>> renames;
    for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (strings[i].empty()) break;  // the list's end
        renames.push_back({strings[i], strings[i + 1]});
    }
    return renames;
}

// The value written back: each pair, then the empty final string. Nothing at
// all when no pair is left (the value is then deleted).
template <typename Char> std::basic_string<Char> JoinPendingRenames(const std::vector<PendingRename<Char>>& renames) {
    std::basic_string<Char> value;
    if (renames.empty()) return value;
    for (const PendingRename<Char>& rename : renames) {
        value += rename.source;
        value.push_back(Char(0));
        value += rename.target;
        value.push_back(Char(0));
    }
    value.push_back(Char(0));
    return value;
}

// A path as the system's entries and ours compare: without the "\??\" the
// system puts before it, letters in ASCII lower case (Windows compares file
// names without case).
template <typename Char> std::basic_string<Char> PendingPathKey(std::basic_string<Char> path) {
    const Char prefix[] = {Char('\\'), Char('?'), Char('?'), Char('\\')};
    if (path.size() >= 4 && std::basic_string<Char>(prefix, 4) == path.substr(0, 4)) path.erase(0, 4);
    for (Char& c : path)
        if (c >= Char('A') && c <= Char('Z')) c = static_cast<Char>(c - Char('A') + Char('a'));
    return path;
}

}  // namespace pw
