// The values of the driver and printer queue records the installer hands to
// the spooler. File names are bare: the files already lie in the printer
// driver directory.
#pragma once

#include <cstdint>
#include <string>

namespace setup::core {

namespace driver_record {
constexpr std::uint32_t kVersion = 3;
inline constexpr const char* kDriverPath = "unidrv.dll";
inline constexpr const char* kConfigFile = "unidrvui.dll";
inline constexpr const char* kHelpFile = "unidrv.hlp";
// The dependent files, double-null-terminated (size() counts the final null).
extern const std::string kDependentFiles;
// 15 June 2009, 00:00 UTC.
constexpr std::uint32_t kDateLow = 0x39D00000u;
constexpr std::uint32_t kDateHigh = 0x01C9ED4Cu;
// 5.0.0.6
constexpr std::uint64_t kDriverVersion = 0x0005000000000006ull;
inline constexpr const char* kManufacturer = "ZYK Electronics";
inline constexpr const char* kOemUrl =
    "http://www.zyk-electronics.com/";  // the address of the main dialog's company line
inline constexpr const char* kProvider = "ZYK Electronics";
}  // namespace driver_record

namespace queue_record {
inline constexpr const char* kPrintProcessor = "winprint";
// PRINTER_ATTRIBUTE_DEFAULT with PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST.
constexpr std::uint32_t kAttributes = 0x204;
constexpr std::uint32_t kPriority = 1;
}  // namespace queue_record

}  // namespace setup::core
