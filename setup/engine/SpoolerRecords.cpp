#include "setup/engine/SpoolerRecords.h"

#include "catalogue/Catalogue.h"
#include "setup/core/DriverRecord.h"

namespace setup::engine {

namespace rec = core::driver_record;

DriverRecord::DriverRecord()
    : m_name(catalogue::ModelName), m_driverPath(rec::kDriverPath), m_dataFile(catalogue::ModelGpdFile),
      m_configFile(rec::kConfigFile), m_helpFile(rec::kHelpFile), m_dependentFiles(rec::kDependentFiles),
      m_manufacturer(rec::kManufacturer), m_url(rec::kOemUrl), m_hardwareId(catalogue::ModelHardwareId),
      m_provider(rec::kProvider) {
    ZeroMemory(&m_info, sizeof m_info);
    m_info.cVersion = rec::kVersion;
    m_info.pName = m_name.get();
    m_info.pEnvironment = nullptr;  // the spooler's own
    m_info.pDriverPath = m_driverPath.get();
    m_info.pDataFile = m_dataFile.get();
    m_info.pConfigFile = m_configFile.get();
    m_info.pHelpFile = m_helpFile.get();
    m_info.pDependentFiles = m_dependentFiles.get();  // ends in two nulls
    m_info.ftDriverDate.dwLowDateTime = rec::kDateLow;
    m_info.ftDriverDate.dwHighDateTime = rec::kDateHigh;
    m_info.dwlDriverVersion = rec::kDriverVersion;
    m_info.pszMfgName = m_manufacturer.get();
    m_info.pszOEMUrl = m_url.get();
    m_info.pszHardwareID = m_hardwareId.get();
    m_info.pszProvider = m_provider.get();
}

PrinterRecord::PrinterRecord(const std::string& port)
    : m_share(catalogue::ModelShareName), m_port(port), m_driver(catalogue::ModelName),
      m_processor(core::queue_record::kPrintProcessor) {
    ZeroMemory(&m_info, sizeof m_info);
    m_info.pServerName = nullptr;
    m_info.pShareName = m_share.get();  // named, but the queue is not marked shared
    m_info.pPortName = m_port.get();
    m_info.pDriverName = m_driver.get();
    m_info.pPrintProcessor = m_processor.get();
    m_info.Attributes = core::queue_record::kAttributes;
    m_info.Priority = core::queue_record::kPriority;
    SetName(catalogue::ModelName);
}

void PrinterRecord::SetName(const std::string& printerName) {
    m_name.assign(printerName.begin(), printerName.end());
    m_name.push_back('\0');
    m_info.pPrinterName = m_name.data();
}

}  // namespace setup::engine
