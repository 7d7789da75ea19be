// printer_sim: the simulated printer of a Wine prefix in which setup.exe and
// Pagewarden.exe run unchanged. Run inside the prefix (tools/run, tools/printer):
//
//   printer_sim fixture <driver test image> [<WMI provider DLL>]
//                                             place the prefix's stand-ins
//   printer_sim ready|paperout|offline|off|busy
//   printer_sim usb plug|unplug
//   printer_sim status
//   printer_sim open                          open the monitor's window, as from its tray icon
//   printer_sim watch                         publish the queue's port as Windows does (runs until ended)
//   printer_sim drive [--usb] [--no-cycle] [--start <setup.exe>]
//                                             install through setup's dialogs (on LPT1:, or over USB),
//                                             then cycle the printer's states
#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "contract/Programs.h"
#include "testbed/Fixture.h"
#include "tools/sim/Drive.h"
#include "tools/sim/Sim.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const std::string kMonitorCaption = std::string(catalogue::ModelName) + contract::kMonitorCaptionSuffix;

int Usage() {
    std::fprintf(stderr,
                 "usage: printer_sim fixture <driver image> [<WMI provider>]\n"
                 "                   ready | paperout | offline | off | busy | usb plug | usb unplug |\n"
                 "                   status | open | watch |\n"
                 "                   drive [--usb] [--no-cycle] [--start <setup.exe>]\n");
    return 2;
}

int Fixture(const char* image, const char* wmiProvider) {
    std::string error;
    if (!fixture::InstallStandIns(image, wmiProvider ? wmiProvider : "", catalogue::ModelName, error)) {
        std::fprintf(stderr, "printer_sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("printer_sim: driver test build at %s, LPT1 at 0x378%s, queue \"%s\" prepared\n",
                fixture::DriverImagePath().c_str(), wmiProvider ? " (named by the test WMI provider)" : "",
                catalogue::ModelName);
    return 0;
}

int Usb(const char* what) {
    const bool plug = std::strcmp(what, "plug") == 0;
    if (!plug && std::strcmp(what, "unplug") != 0) return Usage();
    std::string error;
    if (!(plug ? fixture::PlugUsb(catalogue::ModelUsbSerial, error)
               : fixture::UnplugUsb(catalogue::ModelUsbSerial, error))) {
        std::fprintf(stderr, "printer_sim: %s\n", error.c_str());
        return 1;
    }
    const int told = sim::SendUsbBroadcast(sim::NotificationWindows(kMonitorCaption), plug, catalogue::ModelUsbSerial);
    std::printf("printer_sim: USB printer %s (%s), %d window(s) notified\n", plug ? "plugged in" : "unplugged",
                fixture::UsbNotificationName(catalogue::ModelUsbSerial).c_str(), told);
    return 0;
}

int Status() {
    const auto value = fixture::ReadStatusRegister();
    const sim::StateInfo* state = value ? sim::StateOfRegister(*value) : nullptr;
    if (value)
        std::printf("printer:  %s (status register 0x%02lX)\n", state ? state->name : "?",
                    static_cast<unsigned long>(*value));
    else
        std::printf("printer:  no status register value (run tools/run first)\n");
    std::printf("usb:      %s\n", fixture::IsUsbPlugged(catalogue::ModelUsbSerial) ? "plugged" : "unplugged");
    const std::string port = fixture::QueuePort(catalogue::ModelName);
    std::printf("queue:    %s\n",
                port.empty() ? "not installed" : ("\"" + std::string(catalogue::ModelName) + "\" on " + port).c_str());
    HWND window = FindWindowA("#32770", kMonitorCaption.c_str());
    if (!window) {
        std::printf("monitor:  not running\n");
        return 0;
    }
    char title[256] = {}, message[512] = {};
    GetDlgItemTextA(window, 1004, title, sizeof title);
    GetDlgItemTextA(window, 1005, message, sizeof message);
    for (char* c = message; *c; ++c)
        if (*c == '\n' || *c == '\r') *c = ' ';
    std::printf("monitor:  \"%s\" / \"%s\" (%s)\n", title, message,
                (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) ? "window open" : "in the tray");
    return 0;
}

int Watch() {
    // Ends with the prefix (tools/printer stop).
    for (;;) {
        if (fixture::PublishQueuePort(catalogue::ModelName) == fixture::Publish::Written) {
            std::printf("printer_sim: published the port %s of \"%s\"\n",
                        fixture::QueuePort(catalogue::ModelName).c_str(), catalogue::ModelName);
            std::fflush(stdout);
        }
        Sleep(20);
    }
}

// tools/run starts the programs on a desktop of this name (so that captions
// show); windows of another desktop cannot be found from this one. The drive
// waits for explorer to create it.
bool JoinProgramsDesktop(DWORD waitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HDESK desktop = OpenDesktopA("Pagewarden", 0, FALSE, GENERIC_ALL)) {
            // Kept open for the life of the process: it is the thread's desktop.
            if (SetThreadDesktop(desktop)) return true;
            CloseDesktop(desktop);
            return false;
        }
        if (GetTickCount() - start >= waitMs) return false;
        Sleep(50);
    }
}

// Starts the program on the programs' desktop, in its own folder (the
// installer expects the medium as its current directory). Not waited for.
bool StartOnDesktop(const char* program) {
    std::string folder = program;
    const std::size_t slash = folder.find_last_of('\\');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
    std::string commandLine = std::string("\"") + program + "\"";
    char desktop[] = "Pagewarden";
    // A windowed program's standard output goes nowhere on Windows; here it
    // would land in this console, between the drive's lines.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    pw::unique_file nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    if (nul) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, nul ? TRUE : FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        std::fprintf(stderr, "printer_sim: cannot start %s (error %lu)\n", program, GetLastError());
        return false;
    }
    pw::unique_handle owned(process.hProcess), thread(process.hThread);
    std::printf("drive: started %s\n", program);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    JoinProgramsDesktop(command == "drive" ? 30000 : 0);
    if (command == "fixture")
        return (argc == 3 || argc == 4) ? Fixture(argv[2], argc == 4 ? argv[3] : nullptr) : Usage();
    if (command == "usb") return argc == 3 ? Usb(argv[2]) : Usage();
    if (command == "status") return Status();
    if (command == "watch") return Watch();
    if (command == "open") {
        if (sim::OpenMonitor(kMonitorCaption)) return 0;
        std::fprintf(stderr, "printer_sim: the monitor is not running\n");
        return 1;
    }
    if (command == "drive") {
        bool cycle = true, usb = false;
        const char* program = nullptr;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--no-cycle") == 0)
                cycle = false;
            else if (std::strcmp(argv[i], "--usb") == 0)
                usb = true;
            else if (std::strcmp(argv[i], "--start") == 0 && i + 1 < argc)
                program = argv[++i];
            else
                return Usage();
        }
        // Started from here, so that its first window (the splash) is watched from its first moment.
        if (program && !StartOnDesktop(program)) return 1;
        if (!sim::DriveSetup(kMonitorCaption, usb ? sim::Route::Usb : sim::Route::Lpt)) return 1;
        if (!cycle) return 0;
        return (usb ? sim::CycleUsb(kMonitorCaption) : sim::CycleMonitor(kMonitorCaption)) ? 0 : 1;
    }
    if (const sim::StateInfo* state = sim::FindState(command)) {
        if (!sim::SetState(*state)) {
            std::fprintf(stderr, "printer_sim: cannot write the status register value (error %lu)\n", GetLastError());
            return 1;
        }
        std::printf("printer_sim: printer %s (status register 0x%02X)\n", state->name, state->status);
        return 0;
    }
    return Usage();
}
