// The size baseline: the smallest useful GUI program of the same toolchain and
// flags (static C++ runtime, a std::string, a message box).
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    std::string text = "Baseline";
    if (cmdLine && *cmdLine) text += cmdLine;
    return MessageBoxA(nullptr, text.c_str(), "Baseline", MB_OK) == IDOK ? 0 : 1;
}
