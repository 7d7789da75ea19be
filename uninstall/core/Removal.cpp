#include "uninstall/core/Removal.h"

namespace uninstall {

Outcome EndMonitorWindow(MonitorCalls& calls, std::uintptr_t window) {
    switch (calls.OpenProcessOf(window)) {
    case MonitorCalls::Access::Gone: return calls.WindowExists(window) ? Outcome::Failed : Outcome::Done;
    case MonitorCalls::Access::Opened:
        // Our caption on another program's window: not ours to end.
        if (!calls.IsMonitorImage()) return Outcome::Failed;
        calls.SendExitCommand(window);
        return calls.WaitForProcess(kMonitorExitWaitMs) ? Outcome::Done : Outcome::Failed;
    case MonitorCalls::Access::Denied: break;
    }
    // Another account's monitor in this session: its window still takes the
    // command, and goes when the monitor has closed the port driver and ended.
    calls.SendExitCommand(window);
    for (unsigned waited = 0; waited < kMonitorExitWaitMs; waited += kLookAgainMs) {
        if (!calls.WindowExists(window)) return Outcome::Done;
        calls.Pause(kLookAgainMs);
    }
    return calls.WindowExists(window) ? Outcome::Failed : Outcome::Done;
}

Outcome RemoveQueue(QueueCalls& calls, const std::string& queue) {
    if (!calls.Open(queue)) return calls.Exists(queue) ? Outcome::Failed : Outcome::Nothing;
    // Jobs first (one stuck on paper-out is the monitor's very case): with
    // them gone the deletion is not held back by them.
    calls.PurgeJobs();
    const bool deleted = calls.Delete();
    calls.Close();  // our own handle would hold the queue too
    if (!deleted) return Outcome::Failed;
    for (unsigned waited = 0; waited < kQueueGoneWaitMs; waited += kLookAgainMs) {
        if (!calls.Exists(queue)) return Outcome::Done;
        calls.Pause(kLookAgainMs);
    }
    return calls.Exists(queue) ? Outcome::Failed : Outcome::Done;
}

}  // namespace uninstall
