// The installer's own texts shown by its dialogs, byte for byte as the user
// sees them. Kept in one place so the dialogs and the tests agree.
#pragma once

#include "setup/core/InstallSequence.h"

namespace setupui {

// Every message box and dialog of the installer has this caption.
inline constexpr const char* kCaption = setup::kSetupCaption;

inline constexpr char kAlreadyRunning[] =
    "Another application is already running. Please terminate the previous application.";
inline constexpr char kNotWindows7[] = "The applicaion will run only in Windows7 Operating System.";
inline constexpr char kNot32Bit[] = "The applicaion will run only in Windows7 (32bit) Operating System.";
inline constexpr char kNotAdministrator[] =
    "Administrator Privileges required to install Printer Drivers.\n"
    "Right Click the \"Setup\" application and select \"Run As...\" and log in as Administrator.";

inline constexpr char kExitConfirmation[] =
    "Setup is not complete. If you quit now, the program will not be installed.\nExit Setup?";

inline constexpr char kPortEnumerationFailed[] = "Unexpected error 0x002C occured while port enumeration.";

inline constexpr char kConnectPrinterProperly[] = "Please connect printer properly";
// Shown after the message above: the USB port could not be read, so no queue
// was created on a made-up port and the user must know that nothing happened.
inline constexpr char kNothingInstalled[] =
    "The printer was not installed.\n"
    "Connect the printer, turn it on and run Setup again.";

}  // namespace setupui
