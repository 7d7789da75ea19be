// The baseline of the idle-CPU benchmark: a bare program that makes the
// spooler and registry calls of one status poll once a second, without a
// window, for the number of seconds given on its command line.
#include "catalogue/Catalogue.h"
#include "common/Handles.h"

#include <winspool.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::string name = catalogue::ModelName;
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    OpenPrinterA(&name[0], printer.put(), &defaults);
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name + "\\DsSpooler";
    for (int i = 0; i < seconds; ++i) {
        {
            pw::unique_hkey k;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, k.put()) == ERROR_SUCCESS) {
                DWORD type = REG_MULTI_SZ, size = 0;
                RegQueryValueExA(k.get(), "portName", nullptr, &type, nullptr, &size);
                pw::heap_buffer value(size);
                RegQueryValueExA(k.get(), "portName", nullptr, &type, value.get(), &size);
            }
        }
        DWORD needed = 0;
        GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
        pw::heap_buffer info(needed);
        if (info && GetPrinterA(printer.get(), 2, info.get(), needed, &needed)) {
            DWORD jobBytes = 0, count = 0;
            DWORD jobs = info.as<PRINTER_INFO_2A>()->cJobs;
            EnumJobsA(printer.get(), 0, jobs, 2, nullptr, 0, &jobBytes, &count);
            pw::heap_buffer jobBuffer(jobBytes);
            EnumJobsA(printer.get(), 0, jobs, 2, jobBuffer.get(), jobBytes, &jobBytes, &count);
        }
        Sleep(1000);
    }
    return 0;
}
