// The monitor's calls into the spooler, the registry and the shell, each turned
// into plain values for the portable rules in core/. Every buffer a query needs
// lives only for that query.
#pragma once

#include "common/Handles.h"
#include "monitor/core/QueueScan.h"

#include <windows.h>

#include <string>

namespace monitor {

enum class PortRecordResult { Ok, ProbeFailed, NoMemory, ReadFailed };

// The queue's port name from its level-5 record: a 10-byte probe for the size,
// then the record itself. Writes the allocation diagnostics to standard output.
PortRecordResult ReadQueuePort(HANDLE printer, std::string& portName);

// The printer's Status and the Status of each job, from a level-2 printer query
// and a level-2 job enumeration. False when any step fails.
bool QueryQueue(HANDLE printer, QueueSnapshot& snapshot);

// True when the port the spooler published for the queue differs from
// watchedPort; a pooled queue's ports, one string each, are compared as the
// one comma-separated name the spooler reports. The whole value is read (up
// to a sane limit), not a fixed buffer.
bool PublishedPortDiffers(const std::string& queueName, const std::string& watchedPort);

// A new cursor from the "ANICURSORS" resource of this executable; null when
// the resource is missing or unusable.
HCURSOR LoadAnimatedCursor(HINSTANCE instance, int resourceId);

// The notification-area icon: an icon of its own at the small-icon size the
// notification area draws, for its owner to destroy. LoadIconA would hand out
// the module's shared icon, which must never be passed to DestroyIcon.
pw::unique_hicon LoadTrayIcon(HINSTANCE instance, int resourceId);

// Moves the mouse over the notification area's icons so that icons whose
// owners have gone are dropped. Does nothing without a notification area.
void SweepNotificationArea();

}  // namespace monitor
