// The installer's own texts, byte for byte as the user sees them: those of
// its dialogs and those of the installation's messages. Kept in one place so
// the dialogs, the engine and the tests agree.
#pragma once

namespace setup::core {

// Every message box and dialog of the installer has this caption.
inline constexpr char kCaption[] = "ZYKE Printer Driver - Setup";

inline constexpr char kAlreadyRunning[] =
    "Another application is already running. Please terminate the previous application.";
inline constexpr char kNotWindows7[] = "The applicaion will run only in Windows7 Operating System.";
inline constexpr char kNot32Bit[] = "The applicaion will run only in Windows7 (32bit) Operating System.";
inline constexpr char kNotAdministrator[] =
    "Administrator Privileges required to install Printer Drivers.\n"
    "Right Click the \"Setup\" application and select \"Run As...\" and log in as Administrator.";
// Without the spooler no step of the installation can succeed.
inline constexpr char kSpoolerStopped[] =
    "The Print Spooler service is not running.\n"
    "Start it and run Setup again.";

inline constexpr char kExitConfirmation[] =
    "Setup is not complete. If you quit now, the program will not be installed.\nExit Setup?";

inline constexpr char kPortEnumerationFailed[] = "Unexpected error 0x002C occured while port enumeration.";

inline constexpr char kConnectPrinterProperly[] = "Please connect printer properly";
// Shown after the message above: the USB port could not be read, so no queue
// was created on a made-up port and the user must know that nothing happened.
inline constexpr char kNothingInstalled[] =
    "The printer was not installed.\n"
    "Connect the printer, turn it on and run Setup again.";

// The installation's failures, reported once at its end.
inline constexpr char kErrorNoDriverDirectory[] = "Unexpected error 0x001C occured.";
inline constexpr char kErrorDriverRefused[] = "Unexpected error 0x002C occured.";
inline constexpr char kErrorNoQueue[] = "Unexpected error 0x003C occured.";
inline constexpr char kErrorDriverUnknown[] = "Printer driver unknown.";

}  // namespace setup::core
