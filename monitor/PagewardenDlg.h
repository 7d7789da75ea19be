// CPagewardenDlg: the status window, the monitor's only window. It owns every
// resource of the monitor (printer handle, polling thread, tray icon, device
// notification, driver handle) and runs everything on its own thread except
// the poller, which only posts WM_STATUS_POLL. It starts hidden, pops up on
// the faults the status table names, hides itself when printing or ready, and
// only the tray menu's "Exit" ends it. The polling runs for the whole session:
// a queue not found, a spooler restarted or gone and a port driver stopped are
// looked at again at the polls, as the queue watch paces it.
#pragma once

#include "common/Handles.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "monitor/MonitorPlatform.h"
#include "monitor/PollThread.h"
#include "monitor/SysTray.h"
#include "monitor/core/PortRules.h"
#include "monitor/core/StatusPictures.h"
#include "monitor/core/StatusPoll.h"

#include <winspool.h>

#include <cstdint>
#include <memory>
#include <string>

class CPagewardenDlg : public CDialog {
public:
    explicit CPagewardenDlg(CWnd* pParent = nullptr);
    ~CPagewardenDlg() override;

    // Resolution of the queue and its port.
    bool FindPrinter();
    bool ResolvePort();
    bool HasPortChanged();
    // Stops polling, resolves the printer again and starts a new poller.
    void RestartMonitoring();
    void SweepStaleTrayIcons();
    HCURSOR LoadAnimatedCursor(int resourceId);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnShowMonitor();
    void OnExit();
    LRESULT OnStatusPoll(WPARAM wParam, LPARAM lParam);
    BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR nIDEvent);
    void OnHide();
    HBRUSH OnCtlColor(HDC hdc, CWnd* pWnd, UINT nCtlColor);
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);

    DECLARE_MESSAGE_MAP()

private:
    void StartPolling();
    void ShowAction();
    void SetStatusImage(int resourceId);
    // 0 when the queue was read, otherwise the spooler's error.
    std::uint32_t ScanQueue();
    void ApplyPortPlan(const std::string& portName);
    // Stops timer 1 if it runs; the id is cleared only when it stopped.
    void StopStatusTimer();
    void CloseQueue();
    void QueueGone();
    void FindUsbPrinter();

    std::int32_t m_nJobStatus = -1;
    std::int32_t m_nPrinterStatus = 0;
    std::string m_strMessage;
    std::unique_ptr<monitor::PollThreadParams> m_pPollParams;  // allocated in OnInitDialog, released at exit
    HWND m_hMainWnd = nullptr;
    CStatic m_statusAnim;
    pw::unique_printer m_hPrinter;
    PRINTER_DEFAULTSA m_printerDefaults = {};
    std::string m_strPortName;                                // as the spooler reports it
    monitor::PortKind m_portKind = monitor::PortKind::Other;  // the class of m_strPortName
    std::int32_t m_nParallelStatus = -1;                      // the last sample of the status register
    std::uint32_t m_nTimerId = 0;                             // timer 1 while it runs, otherwise 0
    pw::unique_hdevnotify m_hDevNotify;
    bool PrinterPresent = false;
    CStatic m_tipText;
    CStatic m_titleText;
    HICON m_hIcon = nullptr;  // shared (LoadIconA): never destroyed
    CSysTray m_tray;
    CFont m_titleFont;
    bool m_bMayShow = false;
    CStatic m_versionText;
    monitor::AnimatedCursors m_cursorSource;
    monitor::StatusPictures m_pictures{m_cursorSource};  // each made once, destroyed with the window object
    pw::unique_hicon m_trayIcon;                         // not shared: loaded for the tray alone
    monitor::PollState m_poll;
    monitor::QueueWatch m_watch;
    monitor::PollStopFlagType PollStopFlag{0};
    std::unique_ptr<CWinThread> PollThread;  // the running polling thread only
};
