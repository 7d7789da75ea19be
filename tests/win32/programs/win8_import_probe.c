/* A program that Windows 7 cannot load: it imports a function that came with
   Windows 8. The import check must refuse it and name the function. */
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
    FILETIME now;
    (void)instance;
    (void)previous;
    (void)command;
    (void)show;
    GetSystemTimePreciseAsFileTime(&now);
    return (int)(now.dwLowDateTime & 1);
}
