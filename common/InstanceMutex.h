// CInstanceMutex: the single-instance lock of both programs. Creating it by name
// creates an unowned named mutex with default security and records the last-error
// code at once; IsAlreadyRunning is true when that code is ERROR_ALREADY_EXISTS.
// IsRefused is true when the lock exists but this caller may not open it
// (ERROR_ACCESS_DENIED, no handle): another holder with more rights, such as
// a program started elevated, holds it.
#pragma once

#include "common/Handles.h"

class CInstanceMutex {
public:
    explicit CInstanceMutex(const char* name);
    CInstanceMutex(const CInstanceMutex&) = delete;
    CInstanceMutex& operator=(const CInstanceMutex&) = delete;

    bool IsAlreadyRunning() const { return m_dwLastError == ERROR_ALREADY_EXISTS; }
    bool IsRefused() const { return !m_hMutex && m_dwLastError == ERROR_ACCESS_DENIED; }
    // Closes the handle if one is held; the object is then empty.
    void Close() { m_hMutex.reset(); }
    bool IsOpen() const { return static_cast<bool>(m_hMutex); }
    DWORD LastError() const { return m_dwLastError; }

private:
    DWORD m_dwLastError;
    pw::unique_handle m_hMutex;
};
