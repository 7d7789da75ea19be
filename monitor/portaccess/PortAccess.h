// Access to the parallel port's status register: the platform test, our
// hwinterface port-I/O driver (install, start, open, read, write), the
// classification of a status sample, and the discovery of the LPT port's
// I/O address through WMI and the Plug and Play registry.
// Nothing here shows a message; every failure is a result code.
// All of it runs on the status window's user-interface thread.
#pragma once

#include "common/Handles.h"
#include "contract/PortDriver.h"
#include "monitor/portaccess/core/LptDiscovery.h"

#include <windows.h>

#include <string>

// 0 = no port access, 1 = direct port instructions (Windows 9x),
// 2 = through the hwinterface driver (Windows NT). Starts at 0.
extern int PortAccessMode;
// The open device "\\.\hwinterface"; empty (INVALID_HANDLE_VALUE) while not open.
extern pw::unique_file PortDriverHandle;
// The parallel status register: the port's base address + 1.
extern unsigned long StatusPortAddress;
// The LPT search text ("(LPT1)"), then the port's Plug and Play instance id.
extern std::string LptDeviceId;

// The device's control codes are HWI_IOCTL_READ_PORT_BYTE and
// HWI_IOCTL_WRITE_PORT_BYTE (contract/PortDriver.h).

// 1 on Windows 9x, 2 on Windows NT, 0 otherwise or when the version is unknown.
int GetPortAccessMode();
// Opens the device, starting (and if need be installing) the driver.
// 0 when the first open succeeded, 1 otherwise; the outcome is PortDriverHandle.
// A handle held from an earlier open is kept while its last request
// succeeded, and closed first otherwise.
int OpenPortDriver();
// 0 started; 1 manager or service open failed; 3 / 4 start refused after the
// full-access / read-access open of the service manager.
int StartPortDriver();
// Writes the driver image and registers the kernel service; 5 when the service
// manager refuses access, 0 otherwise.
int InstallPortDriver();
// Closes PortDriverHandle if it is open.
void ClosePortDriver();

// The byte at `port` in the low byte; 0 without an access method or when the
// driver refuses the request.
unsigned short ReadPortByte(unsigned short port);
void WritePortByte(unsigned short port, unsigned char value);
// Reads StatusPortAddress and classifies it: 1, 2, 3, 4 or -1; through the
// driver, portaccess::kParallelUnreadable (-2) when the request failed.
int ReadParallelStatus();

// The lookup the monitor makes for a parallel port: LptDeviceId becomes the
// search text ("(LPT1)"), FindLptDeviceId turns it into the instance id, and
// when that query ran ReadLptPortAddress reads the register's address.
portaccess::LptLookup LookUpStatusRegister(const char* searchText);

// Replaces `id` (a search text such as "(LPT1)") with the instance id of the
// Plug and Play device whose name contains it. 0 when the query ran to its end
// (match or not), 1 when COM/WMI set-up or the query failed.
int FindLptDeviceId(std::string& id);
// Reads the first I/O port range of LptDeviceId's "AllocConfig" and sets
// StatusPortAddress to its start + 1. false (address unchanged) when the key,
// the value or a port range is missing, or the value exceeds 512 bytes.
bool ReadLptPortAddress();
