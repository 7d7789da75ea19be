// Uninstall.exe: removes the ZYK Electronics printer software of one model
// after asking: the printer queue, the printer driver, the auto-start value,
// the Start-menu shortcut, the deployed monitor and the uninstall entry.
// Every step is best effort; what is already gone is skipped.
#include "catalogue/Catalogue.h"
#include "common/Handles.h"
#include "setup/core/InstallLayout.h"
#include "setup/core/PrinterQueue.h"
#include "setup/engine/ShortcutDrive.h"

#include <windows.h>
#include <shellapi.h>
#include <winspool.h>

#include <memory>
#include <new>
#include <string>

namespace {

const char kCaption[] = "ZYK Electronics Printer Software - Uninstall";

std::string DriverDirectory() {
    DWORD needed = 0;
    BYTE probe[10];
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, probe, sizeof probe, &needed);
    if (needed == 0 || needed > 32768) return {};
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[needed]);
    if (!buffer || !GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer.get()), needed,
                                               &needed))
        return {};
    buffer[needed - 1] = '\0';
    return buffer.get();
}

void DeleteQueue(const char* name) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    pw::unique_printer printer;
    if (OpenPrinterA(const_cast<char*>(name), printer.put(), &defaults)) DeletePrinter(printer.get());
}

void DeleteTree(const std::string& folder) {
    std::string from = folder;
    from.push_back('\0');  // the shell reads a double-null-terminated list
    SHFILEOPSTRUCTA op;
    ZeroMemory(&op, sizeof op);
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string question = std::string("This program removes the ZYK Electronics printer software for the ") +
                                 catalogue::ModelName +
                                 ": the printer, its driver and the status monitor.\n\nRemove it now?";
    if (MessageBoxA(nullptr, question.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 1;

    const std::string driverDir = DriverDirectory();
    DeleteQueue(catalogue::ModelName);
    for (unsigned n = 1; n <= 9; ++n) DeleteQueue(setup::CopyName(catalogue::ModelName, n).c_str());
    DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(catalogue::ModelName));

    {
        pw::unique_hkey run;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setup::kRunKey, 0, KEY_SET_VALUE, run.put()) == ERROR_SUCCESS)
            RegDeleteValueA(run.get(), setup::AutoRunValueName().c_str());
    }
    const char drive = setup::FindShortcutDrive(KEY_QUERY_VALUE);
    if (drive != 0) {
        const std::string folder = setup::ShortcutFolder(drive);
        DeleteFileA(setup::ShortcutFile(folder).c_str());
        RemoveDirectoryA(folder.c_str());  // only when no other shortcut is left in it
    }
    if (!driverDir.empty()) DeleteTree(driverDir + "\\PGW");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, setup::kUninstallKey);

    MessageBoxA(nullptr, "The ZYK Electronics printer software has been removed.", kCaption,
                MB_OK | MB_ICONINFORMATION);
    return 0;
}
