// Finding the LPT port's status register address: WMI turns the port name into
// the device's Plug and Play instance id, whose registry key holds the I/O
// range the system allocated.
#include "monitor/portaccess/PortAccess.h"

#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <cstdint>
#include <memory>

#include "common/Handles.h"
#include "monitor/portaccess/core/LptDiscovery.h"
#include "monitor/portaccess/core/ResourceList.h"
#include "monitor/portaccess/core/WmiWalk.h"

namespace {

// The ANSI form of a BSTR (the system's code page).
bool ToAnsi(BSTR text, std::string& out) {
    out.clear();
    if (text == nullptr) return true;
    const int wide = static_cast<int>(SysStringLen(text));
    if (wide == 0) return true;
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return false;
    out.resize(static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_ACP, 0, text, wide, &out[0], needed, nullptr, nullptr);
    return true;
}

bool StringProperty(IWbemClassObject* object, const wchar_t* property, std::string& out) {
    pw::unique_variant value;
    if (FAILED(object->Get(property, 0, value.put(), nullptr, nullptr))) return false;
    if (value.get().vt != VT_BSTR) return false;
    return ToAnsi(value.get().bstrVal, out);
}

// The query's objects, one at a time; each is released before the next.
class WmiPnpEntities : public portaccess::PnpEntitySource {
public:
    explicit WmiPnpEntities(IEnumWbemClassObject* results) : m_results(results) {}
    bool Next() override {
        ULONG count = 0;
        IWbemClassObject** slot = m_current.put();
        const HRESULT hr = m_results->Next(WBEM_INFINITE, 1, slot, &count);
        // The walk ends at the first attempt that yields no object.
        return SUCCEEDED(hr) && count == 1 && m_current;
    }
    bool Name(std::string& name) override { return StringProperty(m_current.get(), L"Name", name); }
    bool PnpDeviceId(std::string& id) override { return StringProperty(m_current.get(), L"PNPDeviceID", id); }
private:
    IEnumWbemClassObject* m_results;
    pw::com_ptr<IWbemClassObject> m_current;
};

constexpr DWORD kAllocConfigCapacity = 512;

// The real COM and WMI steps of the lookup. Interfaces are released by
// ReleaseInterfaces (or at destruction) before COM is uninitialised.
class Win32LptDiscovery : public portaccess::LptDiscoverySystem {
public:
    Win32LptDiscovery() = default;
    Win32LptDiscovery(const Win32LptDiscovery&) = delete;
    Win32LptDiscovery& operator=(const Win32LptDiscovery&) = delete;
    ~Win32LptDiscovery() override { ReleaseInterfaces(); }

    portaccess::ComResult InitializeCom() override { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void UninitializeCom() override { CoUninitialize(); }
    portaccess::ComResult InitializeSecurity() override {
        return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }
    portaccess::ComResult CreateLocator() override {
        return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                m_locator.put_void());
    }
    portaccess::ComResult ConnectToNamespace() override {
        pw::unique_bstr ns(SysAllocString(L"ROOT\\CIMV2"));
        if (!ns) return E_OUTOFMEMORY;
        return m_locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, m_services.put());
    }
    portaccess::ComResult SetServicesBlanket() override {
        return CoSetProxyBlanket(m_services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    }
    portaccess::ComResult QueryPnpEntities() override {
        pw::unique_bstr language(SysAllocString(L"WQL"));
        pw::unique_bstr query(SysAllocString(L"SELECT * FROM Win32_PnPEntity"));
        if (!language || !query) return E_OUTOFMEMORY;
        const HRESULT hr =
            m_services->ExecQuery(language.get(), query.get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                  nullptr, m_results.put());
        if (SUCCEEDED(hr)) m_entities.reset(new WmiPnpEntities(m_results.get()));
        return hr;
    }
    portaccess::PnpEntitySource& Results() override { return *m_entities; }
    void ReleaseInterfaces() override {
        m_entities.reset();
        m_results.reset();
        m_services.reset();
        m_locator.reset();
    }

private:
    pw::com_ptr<IWbemLocator> m_locator;
    pw::com_ptr<IWbemServices> m_services;
    pw::com_ptr<IEnumWbemClassObject> m_results;
    std::unique_ptr<WmiPnpEntities> m_entities;  // holds the current object of the walk
};

}  // namespace

portaccess::LptLookup LookUpStatusRegister(const char* searchText) {
    LptDeviceId = searchText;
    if (FindLptDeviceId(LptDeviceId) != 0) return portaccess::LptLookup::QueryFailed;
    return ReadLptPortAddress() ? portaccess::LptLookup::Found : portaccess::LptLookup::NoAddress;
}

int FindLptDeviceId(std::string& id) {
    Win32LptDiscovery system;
    return portaccess::FindLptDeviceId(system, id);
}

bool ReadLptPortAddress() {
    const std::string path = "SYSTEM\\CurrentControlSet\\Enum\\" + LptDeviceId + "\\Control";
    pw::unique_hkey key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), key.put()) != ERROR_SUCCESS) return false;
    unsigned char buffer[kAllocConfigCapacity];
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), "AllocConfig", nullptr, &type, buffer, &size) != ERROR_SUCCESS) return false;
    // Only the bytes the query returned are looked at.
    if (size > sizeof(buffer)) return false;
    std::uint64_t start = 0;
    if (!portaccess::FindFirstPortRange(buffer, size, start)) return false;
    StatusPortAddress = static_cast<unsigned long>(start & 0xFFFFFFFFu) + 1;
    return true;
}
