#include "monitor/PagewardenDlg.h"

#include "catalogue/Catalogue.h"
#include "catalogue/MonitorCatalogue.h"
#include "contract/Programs.h"
#include "framework/WinApp.h"
#include "monitor/MonitorPlatform.h"
#include "monitor/core/Display.h"
#include "monitor/core/QueueScan.h"
#include "monitor/portaccess/PortAccess.h"
#include "monitor/portaccess/UsbPrinter.h"
#include "resources/MonitorResource.h"

#include <dbt.h>
#include <initguid.h>
#include <usbiodef.h>

namespace {

// The index of the next printing tip; one monitor window per process.
std::int32_t TipIndex = 0;

constexpr UINT_PTR kStatusTimerId = 1;
constexpr UINT kStatusTimerPeriodMs = 1000;

}  // namespace

BEGIN_MESSAGE_MAP(CPagewardenDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_COMMAND(contract::kMonitorOpenCommand, &CPagewardenDlg::OnShowMonitor)
    ON_COMMAND(contract::kMonitorRestartCommand, &CPagewardenDlg::RestartMonitoring)
    ON_COMMAND(contract::kMonitorExitCommand, &CPagewardenDlg::OnExit)
    ON_MESSAGE(monitor::WM_STATUS_POLL, &CPagewardenDlg::OnStatusPoll)
    ON_WM_DEVICECHANGE()
    ON_MESSAGE(WM_POWERBROADCAST, &CPagewardenDlg::OnPowerBroadcast)
    ON_WM_TIMER()
    ON_BN_CLICKED(IDC_OK_BUTTON, &CPagewardenDlg::OnHide)
    ON_WM_CTLCOLOR()
    ON_WM_WINDOWPOSCHANGING()
END_MESSAGE_MAP()

CPagewardenDlg::CPagewardenDlg(CWnd* pParent)
    : CDialog(IDD_PAGEWARDEN_DIALOG, pParent), m_strMessage("Searching the printer..."),
      m_cursorSource(AfxGetInstanceHandle()) {
    m_hIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_MAIN));
}

// Joined here too, for a window destroyed without its exit command: the
// thread reads the parameter block released with this object.
CPagewardenDlg::~CPagewardenDlg() { monitor::StopPollThread(PollThread, m_pPollParams.get()); }

void CPagewardenDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATUS_ANIM, m_statusAnim);
    DDX_Text(pDX, IDC_MESSAGE, m_strMessage);
    DDX_Control(pDX, IDC_TIP, m_tipText);
    DDX_Control(pDX, IDC_TITLE, m_titleText);
    DDX_Control(pDX, IDC_VERSION, m_versionText);
}

BOOL CPagewardenDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_titleFont.CreatePointFont(140, "Arial");
    m_titleText.SetFont(&m_titleFont, TRUE);

    m_nParallelStatus = -1;
    m_nTimerId = 0;

    m_trayIcon = monitor::LoadTrayIcon(AfxGetInstanceHandle(), IDI_TRAY);
    m_tray.Create(CSysTray::kCallbackMessage, "ZYK-E Status Monitor Utility", m_trayIcon.get());

    PollStopFlag = 0;
    m_hMainWnd = m_hWnd;
    m_pPollParams = monitor::NewPollThreadParams(PollStopFlag);

    // Not found or not, the polling runs: the queue is looked for again.
    FindPrinter();
    StartPolling();

    // Registered before the scan: a printer plugged in between the two is
    // announced, where after the scan it would be missed.
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;  // 32
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    m_hDevNotify.reset(RegisterDeviceNotificationA(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    FindUsbPrinter();

    SetWindowText(std::string(catalogue::ModelName) + contract::kMonitorCaptionSuffix);
    m_versionText.SetWindowText(catalogue::VersionText);
    m_tipText.SetWindowText(monitor::NextTip(TipIndex));

    // Suppressed by OnWindowPosChanging, as is the modal loop's own first showing.
    m_bMayShow = false;
    ShowWindow(SW_SHOWMAXIMIZED);
    return TRUE;
}

// ---------------------------------------------------------------- display

HCURSOR CPagewardenDlg::LoadAnimatedCursor(int resourceId) {
    return monitor::LoadAnimatedCursor(AfxGetInstanceHandle(), resourceId);
}

void CPagewardenDlg::SetStatusImage(int resourceId) {
    // A handful of pictures, each made once: a status change never makes or
    // frees one.
    m_statusAnim.SetCursor(static_cast<HCURSOR>(m_pictures.Picture(resourceId)));
}

// The pop-up on a fault: in front of the user's window, but the user keeps
// the keyboard (and Windows 7 would refuse this background process the
// activation anyway, leaving the window behind).
void CPagewardenDlg::ShowAction() {
    m_bMayShow = true;
    monitor::PopUpWithoutActivating(m_hWnd);
}

void CPagewardenDlg::OnWindowPosChanging(WINDOWPOS* lpwndpos) {
    if (!m_bMayShow) lpwndpos->flags &= ~SWP_SHOWWINDOW;
    CDialog::OnWindowPosChanging(lpwndpos);
}

HBRUSH CPagewardenDlg::OnCtlColor(HDC hdc, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH brush = CDialog::OnCtlColor(hdc, pWnd, nCtlColor);
    if (pWnd && pWnd->GetDlgCtrlID() == IDC_TITLE)
        SetTextColor(hdc, static_cast<COLORREF>(monitor::TitleColour(pWnd->GetWindowText())));
    return brush;
}

void CPagewardenDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rect;
    GetClientRect(&rect);
    int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
}

HCURSOR CPagewardenDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }

// ---------------------------------------------------------------- printer and port

bool CPagewardenDlg::FindPrinter() {
    m_printerDefaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    std::string name = catalogue::ModelName;
    HANDLE printer = nullptr;
    BOOL opened = OpenPrinterA(&name[0], &printer, &m_printerDefaults);
    DWORD error = opened ? ERROR_SUCCESS : GetLastError();
    if (!opened && error == ERROR_ACCESS_DENIED) {
        // A user without the right to manage printers may still watch the
        // queue: the polling only reads it. Without this an installed queue
        // would be reported as not installed for every standard user.
        PRINTER_DEFAULTSA useOnly = {nullptr, nullptr, PRINTER_ACCESS_USE};
        opened = OpenPrinterA(&name[0], &printer, &useOnly);
        error = opened ? ERROR_SUCCESS : GetLastError();
    }
    if (!opened) {
        // 1722 here is a spooler not running, not a queue not installed: the
        // watch tells the two apart, and the polls show which.
        m_hPrinter.reset();
        m_watch.Missed(false, error);
        return false;
    }
    m_hPrinter.reset(printer);  // the handle of an earlier resolution is closed
    if (!ResolvePort()) {
        // The port record's own call failed last: its error is still the thread's.
        m_watch.Missed(true, GetLastError());
        CloseQueue();
        return false;
    }
    m_watch.Found();
    return true;
}

// The handle goes, and timer 1 with it: nothing is read until the queue is
// found again.
void CPagewardenDlg::CloseQueue() {
    m_hPrinter.reset();
    StopStatusTimer();
}

// The queue is being deleted, and the handle held here is what keeps it: a
// reinstallation would otherwise make a "(Copy 1)" queue the monitor never
// finds. Closed, the queue counts as not found, as at a start without it,
// and is looked for again.
void CPagewardenDlg::QueueGone() {
    CloseQueue();
    m_watch.Missed(false, ERROR_INVALID_PRINTER_NAME);
}

bool CPagewardenDlg::ResolvePort() {
    std::string portName;
    switch (monitor::ReadQueuePort(m_hPrinter.get(), portName)) {
    case monitor::PortRecordResult::ProbeFailed:
    case monitor::PortRecordResult::NoMemory: return false;
    case monitor::PortRecordResult::ReadFailed: m_portKind = monitor::PortKind::Other; return false;
    case monitor::PortRecordResult::Ok: break;
    }
    ApplyPortPlan(portName);
    UpdateData(FALSE);
    return true;
}

// Carries out the plan of the port: the parallel set-up through the port
// access layer, timer 1 started or stopped as the lookup found.
void CPagewardenDlg::ApplyPortPlan(const std::string& portName) {
    const monitor::PortPlan plan = monitor::PlanPort(portName);
    m_strPortName = portName;
    m_portKind = plan.kind;
    if (plan.resetsParallelStatus) m_nParallelStatus = -1;
    if (plan.needsDriver) {
        PortAccessMode = GetPortAccessMode();
        // A handle of an earlier resolution that still reads is kept.
        if (plan.OpensDriver(PortAccessMode)) OpenPortDriver();
    }
    if (plan.stopsTimer) StopStatusTimer();
    if (!plan.searchText) return;
    switch (monitor::TimerAfterLookup(LookUpStatusRegister(plan.searchText))) {
    case monitor::TimerStep::Start:
        m_nTimerId = static_cast<std::uint32_t>(SetTimer(kStatusTimerId, kStatusTimerPeriodMs, nullptr));
        break;
    case monitor::TimerStep::Stop: StopStatusTimer(); break;
    case monitor::TimerStep::Keep: break;
    }
}

void CPagewardenDlg::StopStatusTimer() {
    monitor::StopStatusTimer(m_nTimerId, [this](std::uint32_t id) { return KillTimer(id) != FALSE; });
}

bool CPagewardenDlg::HasPortChanged() { return monitor::PublishedPortDiffers(catalogue::ModelName, m_strPortName); }

// The scan is the truth at the time: it replaces what broadcasts said.
void CPagewardenDlg::FindUsbPrinter() { PrinterPresent = FindUsbPrinterPresent(); }

BOOL CPagewardenDlg::OnDeviceChange(UINT nEventType, DWORD_PTR dwData) {
    switch (CheckUsbPrinterBroadcast(nEventType, static_cast<LPARAM>(dwData))) {
    case pw::usb::DeviceChange::Arrived: PrinterPresent = true; break;
    case pw::usb::DeviceChange::Removed: PrinterPresent = false; break;
    case pw::usb::DeviceChange::None: break;
    }
    // TRUE grants the query events (DBT_QUERYCHANGECONFIG, a removal query);
    // the other events ignore the answer.
    return TRUE;
}

LRESULT CPagewardenDlg::OnPowerBroadcast(WPARAM wParam, LPARAM) {
    // What was plugged or unplugged while the machine slept announced itself to no one.
    if (wParam == PBT_APMRESUMEAUTOMATIC) FindUsbPrinter();
    return TRUE;
}

// ---------------------------------------------------------------- polling

void CPagewardenDlg::OnTimer(UINT_PTR nIDEvent) {
    // KillTimer leaves a WM_TIMER already queued; after the port changed it
    // would read the old port's register once more.
    if (m_nTimerId != 0) m_nParallelStatus = ReadParallelStatus();
    CDialog::OnTimer(nIDEvent);
}

std::uint32_t CPagewardenDlg::ScanQueue() {
    monitor::QueueSnapshot snapshot;
    const std::uint32_t error = monitor::QueryQueue(m_hPrinter.get(), snapshot);
    monitor::ScanQueue(error == 0 ? &snapshot : nullptr, m_nPrinterStatus, m_nJobStatus);
    return error;
}

LRESULT CPagewardenDlg::OnStatusPoll(WPARAM, LPARAM) {
    // Taken: the poller may post the next one.
    monitor::PollTaken(m_pPollParams.get());
    // A poll still queued after the exit command.
    if (!PollThread) return 0;
    if (m_watch.Open()) {
        if (HasPortChanged()) {
            RestartMonitoring();
            return 0;
        }
        const std::uint32_t error = ScanQueue();
        if (error == 0 && monitor::QueueBeingDeleted(m_nPrinterStatus))
            QueueGone();
        else if (m_watch.Queried(error))
            CloseQueue();  // a dead handle: resolved again below
    }
    if (m_watch.Due()) FindPrinter();
    if (m_watch.Open() && m_portKind == monitor::PortKind::Lpt &&
        m_watch.DriverDue(m_nParallelStatus == monitor::kParallelUnreadable))
        OpenPortDriver();

    monitor::PollInputs in;
    in.jobStatus = m_nJobStatus;
    in.printerStatus = m_nPrinterStatus;
    in.parallelStatus = m_nParallelStatus;
    in.portKind = m_portKind;
    in.printerPresent = PrinterPresent;
    in.queue = m_watch.View();
    monitor::PollActions act = monitor::DecidePoll(m_poll, in);

    if (act.show) ShowAction();
    if (act.set) {
        // The window is written only when the table writes a status.
        UpdateData(TRUE);
        m_strMessage = act.message;
        m_titleText.SetWindowText(act.title);
        SetStatusImage(act.anim);
        UpdateData(FALSE);
    }
    if (act.hide) ShowWindow(SW_HIDE);
    return 0;
}

void CPagewardenDlg::RestartMonitoring() {
    UpdateData(TRUE);
    CWnd* main = AfxGetMainWnd();
    m_hMainWnd = main ? main->GetSafeHwnd() : m_hWnd;
    // The old thread is woken and joined here, so it can never post after the new one starts.
    monitor::StopPollThread(PollThread, m_pPollParams.get());
    BeginWaitCursor();
    EndWaitCursor();
    // Found or not, the polling goes on (not found is looked for again), and
    // presence is scanned again: a broadcast may have reached no one.
    FindPrinter();
    FindUsbPrinter();
    StartPolling();
}

void CPagewardenDlg::StartPolling() {
    if (!m_pPollParams) return;  // no wake event could be made: no polling
    m_pPollParams->hWnd = m_hMainWnd;
    monitor::StartPollThread(PollThread, m_pPollParams.get());
}

// ---------------------------------------------------------------- commands

void CPagewardenDlg::OnShowMonitor() {
    m_bMayShow = true;
    monitor::BeginSearch(m_poll);
    m_tipText.SetWindowText(monitor::NextTip(TipIndex));
    monitor::ShowOnScreen(m_hWnd, SW_RESTORE);
    RestartMonitoring();
}

void CPagewardenDlg::OnHide() { ShowWindow(SW_HIDE); }

void CPagewardenDlg::OnCancel() { ShowWindow(SW_HIDE); }

void CPagewardenDlg::SweepStaleTrayIcons() { monitor::SweepNotificationArea(); }

void CPagewardenDlg::OnExit() {
    // Woken and joined, never terminated: it may hold the block being released.
    monitor::StopPollThread(PollThread, m_pPollParams.get());
    m_pPollParams.reset();
    SweepStaleTrayIcons();
    m_tray.Remove();
    m_hDevNotify.reset();
    ClosePortDriver();
    StopStatusTimer();
    m_hPrinter.reset();
    CDialog::OnOK();
}
