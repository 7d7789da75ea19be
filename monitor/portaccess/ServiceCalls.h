// The service manager calls behind the driver client's PortDriverControl, as
// a table. The program always uses the system's functions; a test may put
// forwarding wrappers in their place to see the exact arguments (access
// rights, service type, start type, image path) and to answer as Windows 7
// answers where the test Windows is more lenient (a standard user refused
// full access).
#pragma once

#include <windows.h>

struct PortDriverServiceCalls {
    SC_HANDLE(WINAPI* openManager)(LPCSTR machine, LPCSTR database, DWORD access);
    SC_HANDLE(WINAPI* createService)
    (SC_HANDLE manager, LPCSTR name, LPCSTR displayName, DWORD access, DWORD serviceType, DWORD startType,
     DWORD errorControl, LPCSTR imagePath, LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies, LPCSTR account,
     LPCSTR password);
    SC_HANDLE(WINAPI* openService)(SC_HANDLE manager, LPCSTR name, DWORD access);
    BOOL(WINAPI* startService)(SC_HANDLE service, DWORD argumentCount, LPCSTR* arguments);
};

// The calls the client makes; initially OpenSCManagerA, CreateServiceA,
// OpenServiceA and StartServiceA.
PortDriverServiceCalls& PortDriverServices();
