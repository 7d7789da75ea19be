// CPagewardenApp: the monitor's application object. One monitor per model
// runs on the machine; its whole life is one modal run of the status window.
#pragma once

#include "framework/WinApp.h"

class CPagewardenApp : public CWinApp {
public:
    CPagewardenApp() noexcept = default;
    BOOL InitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()
};
