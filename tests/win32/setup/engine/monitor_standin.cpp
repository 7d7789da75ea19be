// Stands in for the status monitor on the test medium: records that it was
// started, with which show state and from where, and ends at once. The record
// is written under another name and renamed, so a test that sees it sees it whole.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (FILE* f = std::fopen("C:\\monitor_started.tmp", "wb")) {
        std::fprintf(f, "%d\n%s\n", (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1, self);
        std::fclose(f);
        MoveFileExA("C:\\monitor_started.tmp", "C:\\monitor_started.txt", MOVEFILE_REPLACE_EXISTING);
    }
    return 0;
}
