// One owner template for every kind of handle the programs hold, and one line
// per kind. An owner closes its handle when it goes out of scope, so every
// early return releases what was obtained; nothing is ever closed by hand.
//
//   unique_hkey key;
//   if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
//   ... key.get() ...                      // closed at the end of the scope
//
// get() reads, put() resets and hands out the address for an out-parameter,
// reset(h) replaces, release() gives up ownership, explicit bool tests validity.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <setupapi.h>
#include <dbt.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace pw {

template <typename T> constexpr T null_value() { return T{}; }
inline HANDLE invalid_handle_value() { return INVALID_HANDLE_VALUE; }
inline HDEVINFO invalid_devinfo_value() { return reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE); }

template <typename T, auto Close, T (*Invalid)() = null_value<T>> class unique_any {
public:
    unique_any() noexcept : m_value(Invalid()) {}
    explicit unique_any(T value) noexcept : m_value(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    T get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Invalid(); }
    void reset(T value = Invalid()) noexcept {
        if (m_value != Invalid()) Close(m_value);
        m_value = value;
    }
    T release() noexcept { return std::exchange(m_value, Invalid()); }
    // Closes what is held and returns the address for a function that fills it in.
    T* put() noexcept {
        reset();
        return &m_value;
    }

private:
    T m_value;
};

inline void close_gdi(HGDIOBJ h) { DeleteObject(h); }
inline void close_cursor(HCURSOR h) { DestroyCursor(h); }
inline void close_icon(HICON h) { DestroyIcon(h); }
inline void close_menu(HMENU h) { DestroyMenu(h); }
inline void close_printer(HANDLE h) { ClosePrinter(h); }
inline void close_devinfo(HDEVINFO h) { SetupDiDestroyDeviceInfoList(h); }
inline void close_devnotify(HDEVNOTIFY h) { UnregisterDeviceNotification(h); }
inline void close_window(HWND h) { DestroyWindow(h); }
inline void close_module(HMODULE h) { FreeLibrary(h); }
inline void close_sid(PSID h) { FreeSid(h); }
inline void close_bstr(BSTR h) { SysFreeString(h); }

using unique_handle = unique_any<HANDLE, &CloseHandle>;                      // null when absent
using unique_file = unique_any<HANDLE, &CloseHandle, invalid_handle_value>;  // INVALID_HANDLE_VALUE when absent
using unique_find = unique_any<HANDLE, &FindClose, invalid_handle_value>;    // a FindFirstFile search
using unique_hkey = unique_any<HKEY, &RegCloseKey>;
using unique_printer = unique_any<HANDLE, &close_printer>;
using unique_service = unique_any<SC_HANDLE, &CloseServiceHandle>;
using unique_hdevinfo = unique_any<HDEVINFO, &close_devinfo, invalid_devinfo_value>;
using unique_hdevnotify = unique_any<HDEVNOTIFY, &close_devnotify>;
using unique_hfont = unique_any<HFONT, &close_gdi>;
using unique_hbitmap = unique_any<HBITMAP, &close_gdi>;
using unique_hbrush = unique_any<HBRUSH, &close_gdi>;
using unique_hcursor = unique_any<HCURSOR, &close_cursor>;
using unique_hicon = unique_any<HICON, &close_icon>;
using unique_hmenu = unique_any<HMENU, &close_menu>;
using unique_hwnd = unique_any<HWND, &close_window>;
using unique_hmodule = unique_any<HMODULE, &close_module>;
using unique_sid = unique_any<PSID, &close_sid>;    // from AllocateAndInitializeSid
using unique_bstr = unique_any<BSTR, &close_bstr>;  // from SysAllocString

// A COM interface pointer, released when it goes out of scope.
template <typename I> class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    ~com_ptr() { reset(); }
    I* get() const noexcept { return m_p; }
    I* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void reset() noexcept {
        if (m_p) {
            m_p->Release();
            m_p = nullptr;
        }
    }
    I** put() noexcept {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
private:
    I* m_p = nullptr;
};

// A VARIANT cleared when it goes out of scope.
class unique_variant {
public:
    unique_variant() noexcept { VariantInit(&m_value); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    ~unique_variant() { VariantClear(&m_value); }
    VARIANT* put() noexcept {
        VariantClear(&m_value);
        return &m_value;
    }
    const VARIANT& get() const noexcept { return m_value; }
private:
    VARIANT m_value;
};

// Balances a successful CoInitialize/CoInitializeEx with CoUninitialize.
class com_init {
public:
    explicit com_init(HRESULT hr) noexcept : m_hr(hr) {}
    com_init(const com_init&) = delete;
    com_init& operator=(const com_init&) = delete;
    ~com_init() {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    HRESULT result() const noexcept { return m_hr; }
    bool ok() const noexcept { return SUCCEEDED(m_hr); }
private:
    HRESULT m_hr;
};

// A heap buffer for a spooler or SetupAPI query of a size the system reports.
// Allocation failure gives an empty buffer (the callers report it), never an exception.
class heap_buffer {
public:
    heap_buffer() noexcept = default;
    explicit heap_buffer(std::size_t size) noexcept
        : m_p(new (std::nothrow) BYTE[size ? size : 1]), m_size(m_p ? size : 0) {}
    BYTE* get() const noexcept { return m_p.get(); }
    template <typename T> T* as() const noexcept { return reinterpret_cast<T*>(m_p.get()); }
    std::size_t size() const noexcept { return m_size; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void reset() noexcept {
        m_p.reset();
        m_size = 0;
    }
private:
    std::unique_ptr<BYTE[]> m_p;
    std::size_t m_size = 0;
};

}  // namespace pw
