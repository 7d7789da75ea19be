// The baseline of the size and start-up figures: the smallest useful GUI
// program of the same toolchain and flags (static C++ runtime, a std::string,
// a message box), with a manifest and a version block like the shipped ones.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    std::string text = "Baseline";
    if (cmdLine && *cmdLine) text += cmdLine;
    return MessageBoxA(nullptr, text.c_str(), "Baseline", MB_OK) == IDOK ? 0 : 1;
}
