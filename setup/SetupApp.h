// CSetupApp: the installer's application object. Its initialisation refuses a
// second instance, a system outside the Windows 7 family, a 64-bit system, a
// user without administrator rights and a stopped Print Spooler, shows the please-wait window for a
// second as a splash, and then runs the main dialog; the program ends with it.
#pragma once

#include "contract/Programs.h"
#include "framework/WinApp.h"

class CSetupApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

namespace setup::ui {
// The lock every installer takes, whatever model it installs.
using contract::kInstallerLockName;
}  // namespace setup::ui
