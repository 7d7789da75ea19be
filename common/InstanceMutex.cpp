#include "common/InstanceMutex.h"

CInstanceMutex::CInstanceMutex(const char* name) : m_dwLastError(0), m_hMutex(CreateMutexA(nullptr, FALSE, name)) {
    // Read at once: any later call may overwrite the thread's last error.
    m_dwLastError = GetLastError();
}
