// The simulated printer inside a Wine prefix, and the stand-ins that prefix
// needs so that the unchanged Windows 7 programs find a printer in it:
//
//  - the port driver's test build, registered as the "hwinterface" kernel
//    service with an absolute image path (Wine cannot load the relative one);
//    it plays the parallel status register from its service key, so the
//    printer's state is one registry value (Port379: the port sits at 0x378);
//  - a parallel port device for the monitor's address lookup: Wine's WMI
//    lists no such device, so the test WMI provider is switched in to name
//    it, and its resource list is planted under its Plug and Play key
//    (without the provider, under "(LPT1)", the key the lookup then reads);
//  - the queue's Datatype, which Wine needs before a queue can be added, and
//    the queue's published port, which Wine's spooler never writes itself;
//  - a USB printer interface that can be plugged and unplugged, with the
//    arrival and removal broadcasts the system would send.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/sim/States.h"

namespace sim {

inline constexpr char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\hwinterface";
inline constexpr char kStatusValue[] = "Port379";
inline constexpr char kLptDevice[] = "ACPI\\PNP0401\\4&2A1C2B&0";   // as Windows 7 names LPT1
inline constexpr char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\";
inline constexpr char kLocatorServerKey[] = "CLSID\\{4590F811-1D3A-11D0-891F-00AA004B2E24}\\InprocServer32";
inline constexpr char kWmiRowsKey[] = "Software\\Pagewarden Test\\Wmi";
inline constexpr char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
inline constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
inline constexpr char kUsbPort[] = "USB001";

// Where the driver's test build is placed in the prefix.
std::string DriverImagePath();
// A resource list with one I/O range 0x378..0x37F, as the system allocates to LPT1.
std::vector<unsigned char> ParallelResources();

// Places every stand-in of the installation and the monitor; the printer
// starts ready. `wmiProvider` is the test WMI provider DLL, or empty to do
// without it. Idempotent. On failure `error` says which step failed.
bool InstallStandIns(const std::string& driverImageSource, const std::string& wmiProvider,
                     const std::string& queueName, std::string& error);

bool SetState(const StateInfo& state);
// The register byte the driver's test build will hand out next; nullopt when unset.
std::optional<DWORD> ReadStatusRegister();

// Copies the queue's port into its published port value when they differ, as
// the Windows spooler does.
enum class Publish { NoQueue, Unchanged, Written, Failed };
Publish PublishQueuePort(const std::string& queueName);
// The queue's port as the spooler keeps it; empty when there is no queue.
std::string QueuePort(const std::string& queueName);

// The printer's USB device interface, by the model's serial string.
std::string UsbInstanceId(const std::string& serial);          // USB\VID_0F3A&PID_1101\<serial>
std::string UsbInterfaceControlKey(const std::string& serial); // ...\DeviceClasses\{usbprint}\##?#...\#\Control
std::string UsbNotificationName(const std::string& serial);    // \\?\USB#VID_0F3A&PID_1101#<serial>#{usb device class}
// Creates (or re-links) the interface, its port number and the spooler port USB001.
bool PlugUsb(const std::string& serial, std::string& error);
// Unlinks the interface: it is no longer present, as after the cable is pulled.
bool UnplugUsb(const std::string& serial, std::string& error);
bool IsUsbPlugged(const std::string& serial);

// Sends the arrival (true) or removal broadcast to the given windows, as the
// system sends it to registered windows; returns how many took it.
int SendUsbBroadcast(const std::vector<HWND>& windows, bool arrival, const std::string& serial);
// The two programs' windows that register for USB device notifications:
// the installer's dialog on screen and the monitor's status window, shown or not.
std::vector<HWND> NotificationWindows(const std::string& monitorCaption);

}  // namespace sim
