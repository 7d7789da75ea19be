/* ZYKE9pin.dll: the resource module that the 9-pin printers' GPD files name.
   It carries the driver's identity; the universal printer driver supplies every
   string and command the GPD does not define itself. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

/* The model family this module serves, for diagnostics tools. */
__declspec(dllexport) const char* WINAPI ZykeDriverFamily(void) { return "ZYK LXD 9-pin"; }
