// The order of the COM and WMI steps that turn an LPT search text into the
// port's Plug and Play instance id, and which answers end the lookup. Written
// against a narrow view of COM so that every answer can be tested, including
// those Wine never gives.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/portaccess/core/WmiWalk.h"

namespace portaccess {

// An HRESULT as the COM calls return it.
using ComResult = std::int32_t;

constexpr ComResult kComOk = 0;
// CoInitializeSecurity when the process's COM security is already set: once
// per process, so every lookup after the first one meets it.
constexpr ComResult kComSecurityAlreadySet = static_cast<ComResult>(0x80010119);  // RPC_E_TOO_LATE

// CoInitializeEx on a thread already initialised in the other apartment
// model: COM is usable as it is, and this call initialised nothing.
constexpr ComResult kComChangedMode = static_cast<ComResult>(0x80010106);  // RPC_E_CHANGED_MODE

constexpr bool ComSucceeded(ComResult result) { return result >= 0; }

// The steps of the lookup (names avoid the A/W macros of the Win32 headers).
// The real one (LptAddress.cpp) owns the interfaces it obtains.
class LptDiscoverySystem {
public:
    virtual ~LptDiscoverySystem() = default;
    // CoInitializeEx for this thread, multithreaded.
    virtual ComResult InitializeCom() = 0;
    // CoUninitialize; called once for each InitializeCom that succeeded, and
    // never for one that answered kComChangedMode.
    virtual void UninitializeCom() = 0;
    // CoInitializeSecurity with the process-wide settings of the lookup.
    virtual ComResult InitializeSecurity() = 0;
    // CoCreateInstance of the WMI locator.
    virtual ComResult CreateLocator() = 0;
    // IWbemLocator::ConnectServer to ROOT\CIMV2.
    virtual ComResult ConnectToNamespace() = 0;
    // CoSetProxyBlanket on the services proxy.
    virtual ComResult SetServicesBlanket() = 0;
    // IWbemServices::ExecQuery over Win32_PnPEntity.
    virtual ComResult QueryPnpEntities() = 0;
    // The query's results, valid after QueryPnpEntities succeeded.
    virtual PnpEntitySource& Results() = 0;
    // Releases every interface obtained so far (before COM is uninitialised).
    virtual void ReleaseInterfaces() = 0;
};

// What the lookup of a parallel port's status register found: the device
// query and then the register's address in the device's configuration.
enum class LptLookup {
    QueryFailed,  // the device query did not run (a COM or WMI step failed)
    NoAddress,    // the query ran, but no register was found for what it left
    Found,        // the register's address is known
};

// FindLptDeviceId: 0 when the query ran to its end (id replaced on a match),
// 1 when a COM or WMI step failed. Security already set counts as set; a
// thread already in the other apartment model is used as it is.
int FindLptDeviceId(LptDiscoverySystem& system, std::string& id);

}  // namespace portaccess
