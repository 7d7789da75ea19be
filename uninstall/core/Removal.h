// Two removals whose order and waits matter, stated against the few calls they
// make: ending a running status monitor, and deleting a printer queue.
#pragma once

#include "uninstall/core/UninstallFlow.h"

#include <cstdint>
#include <string>

namespace uninstall {

// How long the uninstaller waits for a monitor to end, and for a deleted
// queue to go, and how often it looks again.
inline constexpr unsigned kMonitorExitWaitMs = 15000;
inline constexpr unsigned kQueueGoneWaitMs = 15000;
inline constexpr unsigned kLookAgainMs = 100;

// The calls that end one monitor through its status window.
class MonitorCalls {
public:
    enum class Access { Opened, Denied, Gone };
    virtual ~MonitorCalls() = default;
    // Opens the process of the window for waiting and for reading its image.
    // An elevated administrator is denied another account's process.
    virtual Access OpenProcessOf(std::uintptr_t window) = 0;
    // The opened process runs the model's monitor image.
    virtual bool IsMonitorImage() = 0;
    virtual void SendExitCommand(std::uintptr_t window) = 0;
    virtual bool WaitForProcess(unsigned ms) = 0;
    virtual bool WindowExists(std::uintptr_t window) = 0;
    virtual void Pause(unsigned ms) = 0;
};

// Ends the monitor behind one status window with its own exit command (it
// stops polling, removes its tray icon and closes the port driver), and waits
// for its process, or for its window when its process cannot be opened.
Outcome EndMonitorWindow(MonitorCalls& calls, std::uintptr_t window);

// The calls that delete one printer queue.
class QueueCalls {
public:
    virtual ~QueueCalls() = default;
    virtual bool Open(const std::string& queue) = 0;  // with full access
    virtual bool PurgeJobs() = 0;
    virtual bool Delete() = 0;
    virtual void Close() = 0;
    virtual bool Exists(const std::string& queue) = 0;
    virtual void Pause(unsigned ms) = 0;
};

// Deletes a queue and waits until the spooler has let it go: a queue with
// jobs or open handles is only marked for deletion, and its driver record
// stays in use as long as the queue is there.
Outcome RemoveQueue(QueueCalls& calls, const std::string& queue);

}  // namespace uninstall
