// The one way the programs read a record whose size the system gives first:
// ask the size, allocate, read, read again if it grew.
//
//   DWORD count = 0;
//   const auto call = [&](BYTE* data, DWORD size, DWORD* needed) {
//       return EnumPortsA(nullptr, 2, data, size, needed, &count);
//   };
//   pw::sized_record ports = pw::read_sized(call);
//   if (ports.outcome == pw::SizedRead::Read) ... ports.buffer, ports.size ...
//
// The call is made first with a probe buffer (or none), then with a zeroed
// buffer of the size it asked for; it must set the last error when it fails.
#pragma once

#include "common/Handles.h"
#include "common/core/SizedRead.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace pw {

struct sized_limits {
    DWORD minimum = 0;
    DWORD maximum = kMaxSizedRecord;
    DWORD probe = 0;        // bytes of the first call's buffer (0: none)
    bool announce = false;  // write the buffer diagnostics to standard output
};

struct sized_record {
    SizedRead outcome = SizedRead::ProbeFailed;
    heap_buffer buffer;           // holds the record when outcome is Read
    DWORD size = 0;               // bytes read
    DWORD error = ERROR_SUCCESS;  // the last call's error (ERROR_SUCCESS when it set none)
};

template <typename Call> sized_record read_sized(Call&& call, const sized_limits& limits = {}) {
    class query final : public SizedQuery {
    public:
        query(Call& call, const sized_limits& limits, sized_record& record)
            : m_call(call), m_limits(limits), m_record(record) {}
        SizedAnswer Query(std::uint32_t size, std::uint32_t& needed) override {
            BYTE probe[64] = {};
            BYTE* data = nullptr;
            DWORD bytes = size;
            if (size == 0) {
                bytes = m_limits.probe < sizeof probe ? m_limits.probe : static_cast<DWORD>(sizeof probe);
                data = bytes ? probe : nullptr;
            } else {
                if (m_limits.announce) {
                    std::printf("Allocating a buffer of size %d\n", static_cast<int>(size));
                    std::fflush(stdout);
                }
                m_record.buffer = heap_buffer(size);
                if (!m_record.buffer) {
                    if (m_limits.announce) {
                        std::printf("Can't get memory for new data buffer\n");
                        std::fflush(stdout);
                    }
                    m_record.error = ERROR_NOT_ENOUGH_MEMORY;
                    return SizedAnswer::NoMemory;
                }
                std::memset(m_record.buffer.get(), 0, m_record.buffer.size());
                data = m_record.buffer.get();
            }
            DWORD asked = 0;
            // A failure that sets no error must not be read as an earlier call's 122.
            SetLastError(ERROR_SUCCESS);
            const BOOL ok = m_call(data, bytes, &asked);
            m_record.error = ok ? ERROR_SUCCESS : GetLastError();
            needed = asked;
            if (ok) return SizedAnswer::Ok;
            return m_record.error == ERROR_INSUFFICIENT_BUFFER ? SizedAnswer::TooSmall : SizedAnswer::Failed;
        }

    private:
        Call& m_call;
        const sized_limits& m_limits;
        sized_record& m_record;
    };

    sized_record record;
    query q(call, limits, record);
    std::uint32_t size = 0;
    record.outcome = ReadSized(q, limits.minimum, limits.maximum, size);
    record.size = size;
    if (record.outcome != SizedRead::Read) record.buffer.reset();
    return record;
}

}  // namespace pw
