// Test-prefix stand-ins for a printer queue of the monitored model: a driver
// record, the queue on a chosen port, and the published port value that Wine's
// spooler does not write itself.
#pragma once

#include <windows.h>

#include <string>

namespace fixture {

// Creates the queue `name` on `port` ("LPT1:", "USB001", a pool "LPT1:,LPT2:")
// and publishes the port as the spooler does. True on success.
bool CreateQueue(const std::string& name, const std::string& port);
// Changes the queue's port through the spooler and writes DsSpooler\portName.
bool ChangeQueuePort(const std::string& name, const std::string& port);
// Writes DsSpooler\portName of the queue as raw bytes (any content, any length).
bool WritePublishedPort(const std::string& name, const std::string& bytes, DWORD type = REG_MULTI_SZ);
bool DeleteQueue(const std::string& name);
// Makes USB001 a known port of the spooler.
bool AddUsbPort();
// Registers an attached USB printer (vendor 0F3A, product 1101) with this
// serial string and its printer interface, as the USB printing support does.
bool PlantUsbPrinter(const std::string& serial);

}  // namespace fixture
