// CInstaller: the installation engine. Given a port name it registers the
// printer driver, creates the default printer queue on that port, deploys and
// registers the status monitor, stages the INF, writes the uninstall entry,
// and reports the outcome in one message box.
//
// It derives from CWnd only for the wait cursor and message boxes; it never
// creates a window, so its message boxes have no owner.
//
//   CInstaller installer;
//   installer.m_strPort = "LPT1:";
//   installer.InstallPrinter();     // wait cursor; blocks while the spooler works
//   waitWindow.ShowWindow(SW_HIDE);
//   installer.ShowResult();         // the one result message
//
// The driver files must have been staged (CFileCopy::StageDriverFiles) first.
#pragma once

#include "framework/Wnd.h"
#include "setup/core/DriverRegistration.h"
#include "setup/core/InstallSequence.h"
#include "setup/engine/DriverCalls.h"

#include <windows.h>

#include <memory>
#include <string>

class CInstaller : public CWnd {
public:
    CInstaller();
    // With other driver registration calls than the system's (tests).
    explicit CInstaller(setup::engine::DriverCalls& driverCalls);
    ~CInstaller() override;
    CInstaller(const CInstaller&) = delete;
    CInstaller& operator=(const CInstaller&) = delete;

    // The whole installation; the outcome is in the three flags and m_strResult.
    void InstallPrinter();
    // The one message box reporting the outcome, chosen by the first unset flag.
    void ShowResult();

    // Each returns 1 on success, 0 otherwise.
    int GetDriverDirectory();  // m_pszDriverDir holds the driver directory
    // The spooler has the driver: the record with bare names when the universal
    // driver's files lie in the driver directory, else from the staged package.
    int RegisterDriver();
    int AddPrinterQueue();      // a queue was created, named m_strPrinterName
    int StageInf();             // the INF is in the system's INF store (newly or already)
    int DeployMonitor();        // the monitor executable was copied under the driver directory
    void RegisterAutoRun();     // failures are silent
    void CreateShortcut();      // failures are silent
    int WriteUninstallEntry();  // "DisplayName" and "UninstallString" were both written

    std::string m_strPort;  // set by the caller before InstallPrinter
    BYTE m_bDirectoryFound = 0;
    BYTE m_bDriverAdded = 0;
    BYTE m_bQueueAdded = 0;
    std::string m_strResult;                 // success text shown by ShowResult
    std::string m_strPrinterName;            // the name the queue was finally created under
    std::unique_ptr<char[]> m_pszDriverDir;  // null until a driver-directory query succeeded
    char m_szInfPath[MAX_PATH] = {};
    char m_szOemInf[MAX_PATH] = {};

private:
    setup::engine::DriverCalls& m_driverCalls;
    // Runs one step of the installation sequence; its success.
    bool RunStep(setup::core::InstallStep step);
    // Runs one step of the driver registration; its success.
    bool RunDriverStep(setup::core::DriverStep step);
    // Starts the deployed monitor once, minimised.
    void LaunchMonitor();
    std::string DriverDir() const;
};
