// The stand-ins a Wine prefix needs so that the unchanged Windows 7 programs
// find a printer in it. Wine lacks what Windows 7 has here, and only a test
// prefix gets these:
//
//  - the port driver's test build, registered as the "hwinterface" kernel
//    service with an absolute image path (Wine cannot load the relative one);
//    it plays the parallel status register from its service key, so the
//    printer's state is one registry value (Port379: the port sits at 0x378),
//    and learns there which played ports are a parallel port's (ParallelPorts),
//    as the production driver learns it from the system, so that a caller
//    without the write right may read them;
//  - a parallel port device for the monitor's address lookup: Wine's WMI
//    lists no such device, so the test WMI provider is switched in to name
//    it, and its resource list is planted under its Plug and Play key
//    (without the provider, under "(LPT1)", the key the lookup then reads);
//  - a queue's Datatype, which Wine needs before a queue can be added, and
//    the queue's published port, which Wine's spooler never writes itself;
//  - a USB printer interface that can be plugged and unplugged.
//
// Used by the Wine tests, the figures and the simulated printer alike.
// Registry failures leave their error in GetLastError().
#pragma once

#include "contract/PortDriver.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fixture {

inline constexpr char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\" HWI_SERVICE_NAME;
inline constexpr char kStatusValue[] = "Port379";
inline constexpr DWORD kReadyStatus = 0x98;                        // on, selected, not busy, no error
inline constexpr char kLptDevice[] = "ACPI\\PNP0401\\4&2A1C2B&0";  // as Windows 7 names LPT1
inline constexpr char kComDevice[] = "ACPI\\PNP0501\\1";           // COM1, listed before it
inline constexpr char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\";
inline constexpr char kLocatorServerKey[] = "CLSID\\{4590F811-1D3A-11D0-891F-00AA004B2E24}\\InprocServer32";
inline constexpr char kWmiRowsKey[] = "Software\\Pagewarden Test\\Wmi";
inline constexpr char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
inline constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
inline constexpr char kUsbPort[] = "USB001";

// ---------------------------------------------------------------- port driver
// Where the driver's test build is placed in the prefix.
std::string DriverImagePath();
// Copies the test build there and registers (or re-points) the demand-start
// kernel service "hwinterface" at it. Idempotent, also while it is loaded.
bool InstallTestDriver(const std::string& sourceImage, std::string& error);
// The status register byte the test build hands out at the next read.
bool SetStatusRegister(DWORD value);
std::optional<DWORD> ReadStatusRegister();  // nullopt when unset

// ---------------------------------------------------------------- parallel port
// A resource list with one I/O range of 8 ports from `start`, as the system
// allocates to a parallel (0x378) or serial (0x3F8) port.
std::vector<unsigned char> PortResources(std::uint32_t start);
// Writes it as the device's AllocConfig under its Plug and Play key.
bool PlantResources(const std::string& deviceInstance, std::uint32_t start);
// Tells the driver's test build that the ports from `start` are a parallel
// port's (its "ParallelPorts" value, in the same resource list layout).
bool PlayParallelPort(std::uint32_t start);
// Points the WMI locator at the test provider and gives it its rows: COM1
// first, then "ECP Printer Port (LPT1)" as kLptDevice.
bool SwitchInWmiProvider(const std::string& providerDll);

// Every stand-in of the installation and the monitor on LPT1: the driver, the
// printer ready (unless a state is set already), LPT1 at 0x378 (for the
// driver's test build as for the monitor's lookup) named by the WMI
// provider (or under "(LPT1)" when `wmiProvider` is empty) and the queue's
// Datatype. Idempotent. On failure `error` says which step failed.
bool InstallStandIns(const std::string& driverImageSource, const std::string& wmiProvider, const std::string& queueName,
                     std::string& error);

// ---------------------------------------------------------------- queues
// Registers a driver record on the universal driver under `name` with data
// file `gpd` and, when given, the double-null-terminated `dependentFiles`.
// True also when a driver of that name is already installed.
bool AddDriverRecord(const std::string& name, const std::string& gpd, const std::string& dependentFiles = {});
// Wine cannot open a queue without a data type; Windows fills one in.
bool PlantDatatype(const std::string& queueName);
// Adds the queue `name` on `port` ("LPT1:", "USB001", a pool "LPT1:,LPT2:")
// through the spooler, on a driver of its own, and nothing else.
bool AddQueue(const std::string& name, const std::string& port);
// AddQueue, and the port published as the Windows spooler publishes it.
bool CreateQueue(const std::string& name, const std::string& port);
// Moves the queue to another port through the spooler, and nothing else.
bool MoveQueue(const std::string& name, const std::string& port);
// MoveQueue, and the new port published.
bool ChangeQueuePort(const std::string& name, const std::string& port);
bool DeleteQueue(const std::string& name);
bool QueueExists(const std::string& name);
// The queue's port as the spooler keeps it; empty when there is no queue.
std::string QueuePort(const std::string& name);
// What the spooler publishes for a port: one string per port of a pool
// ("LPT1:,LPT2:" gives "LPT1:\0LPT2:\0\0").
std::string PublishedValue(const std::string& port);
// Writes DsSpooler\portName of the queue as raw bytes (any content, any length).
bool WritePublishedPort(const std::string& name, const std::string& bytes, DWORD type = REG_MULTI_SZ);
// Publishes the queue's port when the published value differs, as the
// Windows spooler does after every change.
enum class Publish { NoQueue, Unchanged, Written, Failed };
Publish PublishQueuePort(const std::string& name);

// Keeps the queue's port published, as the Windows spooler does, for as long
// as it lives (every 20 ms on a thread of its own).
class PortPublisher {
public:
    explicit PortPublisher(std::string queueName);
    ~PortPublisher();
    PortPublisher(const PortPublisher&) = delete;
    PortPublisher& operator=(const PortPublisher&) = delete;

private:
    std::string m_queue;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// ---------------------------------------------------------------- USB printer
// The spooler port the USB printing support names after a port number: 1 is USB001.
std::string UsbPortName(DWORD portNumber);
// Makes the port (USB001 unless told otherwise) a known port of the spooler.
bool AddUsbPort(DWORD portNumber = 1);
// The printer's USB device interface, by the model's serial string.
std::string UsbInstanceId(const std::string& serial);           // USB\VID_0F3A&PID_1101\<serial>
std::string UsbInterfaceControlKey(const std::string& serial);  // ...\DeviceClasses\{usbprint}\##?#...\#\Control
std::string UsbNotificationName(const std::string& serial);     // \\?\USB#VID_0F3A&PID_1101#<serial>#{usb device class}
// Creates (or re-links) the interface, its port number and the spooler port
// of that number (USB001 unless told otherwise), as the USB printing support
// does when the printer is plugged in.
bool PlugUsb(const std::string& serial, std::string& error, DWORD portNumber = 1);
// Unlinks the interface: it is no longer present, as after the cable is pulled.
bool UnplugUsb(const std::string& serial, std::string& error);
bool IsUsbPlugged(const std::string& serial);

}  // namespace fixture
