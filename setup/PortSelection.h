// CPortSelection: the manual port choice. Lists every port the spooler knows,
// in the spooler's order, preselects "LPT1:", and on OK installs the printer
// on the chosen port. OK stays disabled until a port is chosen, so the
// installation is never handed an empty port name.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "resources/SetupResource.h"

#include <memory>
#include <string>
#include <vector>

// The bare name of the chosen port, e.g. "LPT1:"; empty until one is chosen.
extern std::string g_strSelectedPort;

class CPortSelection : public CDialog {
public:
    enum { IDD = IDD_PORT_SELECTION };

    explicit CPortSelection(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // 1 when the list holds the spooler's ports, 0 when they could not be enumerated.
    int FillPortList();

    CListBox m_listPorts;
    std::string m_strCurrentPort;  // the chosen entry's whole text

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;  // Enter reaches OnInstall through the default button instead
    void OnCancel() override;

    void OnSelchangePortList();
    void OnInstall();
    void OnCancelButton();

    DECLARE_MESSAGE_MAP()

private:
    void EnableInstall(bool enable);
    // Each entry's item data points at its own copy of the bare port name,
    // owned here for the life of the dialog.
    std::vector<std::unique_ptr<std::string>> m_portNames;
    bool m_bInstalling = false;
};
