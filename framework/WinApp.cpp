// The application object, the framework's globals and the program entry point.
#include "framework/WinApp.h"

#include <cstring>

namespace {
CWinApp* g_app = nullptr;
}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp() noexcept {
    if (g_app == nullptr) g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG msg{};
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        bool taken = false;
        for (HWND h = msg.hwnd; h != nullptr && !taken; h = ::GetParent(h)) {
            if (CWnd* w = CWnd::FromHandle(h)) taken = w->PreTranslateMessage(&msg) != FALSE;
            if (!(GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) break;
        }
        if (!taken) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    int code = ExitInstance();
    return code != 0 ? code : static_cast<int>(msg.wParam);
}

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(const char* lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey ? lpszRegistryKey : "";
    m_pszRegistryKey = m_strRegistryKey.c_str();
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() {
    if (g_app && g_app->m_hInstance) return g_app->m_hInstance;
    return GetModuleHandleA(nullptr);
}

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

namespace {
std::string ModuleStem() {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(AfxGetInstanceHandle(), path, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return std::string();
    std::string name(path, n);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}
}  // namespace

const char* AfxGetAppName() {
    if (g_app == nullptr) {
        static const std::string stem = ModuleStem();
        return stem.c_str();
    }
    if (g_app->m_pszAppName == nullptr) {
        g_app->m_strAppName = ModuleStem();
        g_app->m_pszAppName = g_app->m_strAppName.c_str();
    }
    return g_app->m_pszAppName;
}

int AfxMessageBox(const char* lpszText, UINT nType, UINT) {
    HWND owner = nullptr;
    if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd) {
        HWND top = main->m_hWnd;
        while (top && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD)) top = ::GetParent(top);
        owner = top ? GetLastActivePopup(top) : nullptr;
    }
    return ::MessageBoxA(owner, lpszText ? lpszText : "", AfxGetAppName(), nType);
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    app->m_hInstance = hInstance;
    AfxGetAppName();
    int code = 0;
    try {
        if (!app->InitInstance())
            code = app->ExitInstance();
        else
            code = app->Run();
    } catch (...) {
        code = -1;
    }
    return code;
}

// In the same object as CWinApp's constructor, so that every program with an
// application object links it, and test programs with their own main do not need it.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
