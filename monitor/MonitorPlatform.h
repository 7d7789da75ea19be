// The monitor's calls into the spooler, the registry and the shell, each turned
// into plain values for the portable rules in core/. Every buffer a query needs
// lives only for that query.
#pragma once

#include "common/Handles.h"
#include "monitor/core/QueueScan.h"
#include "monitor/core/StatusPictures.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace monitor {

enum class PortRecordResult { Ok, ProbeFailed, NoMemory, ReadFailed };

// The queue's port name from its level-5 record: a 10-byte probe for the size,
// then the record itself. Writes the allocation diagnostics to standard output.
PortRecordResult ReadQueuePort(HANDLE printer, std::string& portName);

// The printer's Status and the Status of each job, from a level-2 printer query
// and a level-2 job enumeration; a record that grows between its size query
// and its read is read again, a few times at most. 0 when both were read,
// otherwise the error of the step that failed (a dead handle after a
// spooler restart gives 6, a spooler that is down 1722 or 1726).
std::uint32_t QueryQueue(HANDLE printer, QueueSnapshot& snapshot);

// True when the port the spooler published for the queue differs from
// watchedPort; a pooled queue's ports, one string each, are compared as the
// one comma-separated name the spooler reports. The whole value is read (up
// to a sane limit), not a fixed buffer.
bool PublishedPortDiffers(const std::string& queueName, const std::string& watchedPort);

// A new cursor from the "ANICURSORS" resource of this executable, the
// caller's own to destroy; null when the resource is missing or unusable.
// (CreateIconFromResource would make a shared cursor, which Windows 7 does
// not free when it is destroyed.)
HCURSOR LoadAnimatedCursor(HINSTANCE instance, int resourceId);

// The status pictures of StatusPictures: this executable's animated cursors.
class AnimatedCursors : public PictureSource {
public:
    explicit AnimatedCursors(HINSTANCE instance) : m_instance(instance) {}
    void* Create(int resourceId) override { return LoadAnimatedCursor(m_instance, resourceId); }
    void Destroy(void* picture) override { DestroyCursor(static_cast<HCURSOR>(picture)); }

private:
    HINSTANCE m_instance;
};

// The notification-area icon: an icon of its own at the small-icon size the
// notification area draws, for its owner to destroy. LoadIconA would hand out
// the module's shared icon, which must never be passed to DestroyIcon.
pw::unique_hicon LoadTrayIcon(HINSTANCE instance, int resourceId);

// Moves the mouse over the notification area's icons, those on the taskbar
// and those in its overflow window, so that icons whose owners have gone are
// dropped. Does nothing without a notification area.
void SweepNotificationArea();

// Shows the window, restored, above every other (non-topmost) window without
// activating it: the user keeps the keyboard, and Windows 7's foreground lock
// cannot leave it behind the window in front.
void PopUpWithoutActivating(HWND window);

// Shows the window with the given command; a window whose place is on no
// monitor (a display removed, a laptop undocked) is centred on the work area
// first.
void ShowOnScreen(HWND window, int showCommand);

// Makes the program's own folder the process's current directory, so that
// the folder it was started from (setup's medium) is not held all session.
bool UseProgramFolderAsCurrentDirectory();

}  // namespace monitor
