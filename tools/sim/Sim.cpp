#include "tools/sim/Sim.h"

#include "testbed/Fixture.h"

#include <dbt.h>

#include <cstring>

namespace sim {

bool SetState(const StateInfo& state) { return fixture::SetStatusRegister(state.status); }

int SendUsbBroadcast(const std::vector<HWND>& windows, bool arrival, const std::string& serial) {
    const std::string name = fixture::UsbNotificationName(serial);
    std::vector<unsigned char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + name.size() + 1, 0);
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    b->dbcc_size = static_cast<DWORD>(bytes.size());
    b->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    b->dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    std::memcpy(b->dbcc_name, name.c_str(), name.size() + 1);
    int delivered = 0;
    for (HWND window : windows) {
        // Sent, not posted: the broadcast is copied only for a sent message. The
        // installer's arrival handler runs the whole installation and its result
        // message before it returns; a time-out then still means it was handed over.
        DWORD_PTR result = 0;
        SetLastError(ERROR_SUCCESS);
        if (SendMessageTimeoutA(window, WM_DEVICECHANGE, arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                                reinterpret_cast<LPARAM>(bytes.data()), SMTO_NORMAL, 3000, &result) ||
            GetLastError() == ERROR_TIMEOUT)
            ++delivered;
    }
    return delivered;
}

namespace {

const char kSetupCaption[] = "ZYKE Printer Driver - Setup";

struct WindowSearch {
    const std::string* monitorCaption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectNotificationWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    char cls[16] = {}, caption[128] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0) return TRUE;
    GetWindowTextA(hwnd, caption, sizeof caption);
    // The monitor's status window is registered while hidden; of the installer's
    // dialogs only the one on screen (the USB connection dialog) listens.
    const bool shown = (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (*search->monitorCaption == caption || (shown && std::strcmp(caption, kSetupCaption) == 0))
        search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> NotificationWindows(const std::string& monitorCaption) {
    WindowSearch search{&monitorCaption, {}};
    EnumWindows(&CollectNotificationWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace sim
