// The CPU baseline of an idle monitor: a bare program that makes, once a
// second, the platform calls one poll of the monitor must make (the published
// port, the queue record, the job list, one status-register read) and nothing
// else: no window, no state, no display.
//   pollbase.exe <queue name> <seconds>
#include <windows.h>
#include <winspool.h>

#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string queue = argv[1];
    const int seconds = std::atoi(argv[2]);
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterA(const_cast<char*>(queue.c_str()), &printer, &defaults)) return 3;
    HANDLE device = CreateFileA("\\\\.\\hwinterface", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + queue + "\\DsSpooler";
    for (int i = 0; i < seconds; ++i) {
        HKEY k;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
            char buf[64];
            DWORD type = REG_MULTI_SZ, size = sizeof(buf);
            RegQueryValueExA(k, "portName", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
            RegCloseKey(k);
        }
        DWORD needed = 0;
        GetPrinterA(printer, 2, nullptr, 0, &needed);
        std::vector<BYTE> info(needed ? needed : 1);
        if (GetPrinterA(printer, 2, info.data(), needed, &needed)) {
            DWORD jobsNeeded = 0, count = 0;
            DWORD jobs = reinterpret_cast<PRINTER_INFO_2A*>(info.data())->cJobs;
            EnumJobsA(printer, 0, jobs, 2, nullptr, 0, &jobsNeeded, &count);
            std::vector<BYTE> list(jobsNeeded ? jobsNeeded : 1, 0);
            EnumJobsA(printer, 0, jobs, 2, list.data(), jobsNeeded, &jobsNeeded, &count);
        }
        if (device != INVALID_HANDLE_VALUE) {
            unsigned char request[3] = {0x79, 0x03, 0};
            DWORD got = 0;
            DeviceIoControl(device, 0x9C402004, request, 2, request, 1, &got, nullptr);
        }
        Sleep(1000);
    }
    if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
    ClosePrinter(printer);
    return 0;
}
