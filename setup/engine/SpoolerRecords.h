// The driver and printer queue records as the spooler receives them. Each
// record owns writable copies of its strings (the platform's fields are
// non-const), so a record stays valid for as long as it lives.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace setup::engine {

// A writable, null-terminated copy of a string (embedded nulls kept).
class RecordString {
public:
    explicit RecordString(const std::string& s) : m_bytes(s.begin(), s.end()) { m_bytes.push_back('\0'); }
    char* get() { return m_bytes.data(); }
private:
    std::vector<char> m_bytes;
};

// The level-6 driver record of the current model; fields not named are zero.
class DriverRecord {
public:
    DriverRecord();
    DriverRecord(const DriverRecord&) = delete;
    DriverRecord& operator=(const DriverRecord&) = delete;
    DRIVER_INFO_6A* get() { return &m_info; }
private:
    RecordString m_name, m_driverPath, m_dataFile, m_configFile, m_helpFile, m_dependentFiles, m_manufacturer, m_url,
        m_hardwareId, m_provider;
    DRIVER_INFO_6A m_info;
};

// The level-2 queue record of the current model on one port, zero-filled and
// then set; the queue name is changed for each creation attempt.
class PrinterRecord {
public:
    explicit PrinterRecord(const std::string& port);
    PrinterRecord(const PrinterRecord&) = delete;
    PrinterRecord& operator=(const PrinterRecord&) = delete;
    void SetName(const std::string& printerName);
    PRINTER_INFO_2A* get() { return &m_info; }
private:
    RecordString m_share, m_port, m_driver, m_processor;
    std::vector<char> m_name;
    PRINTER_INFO_2A m_info;
};

}  // namespace setup::engine
