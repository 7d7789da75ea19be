#include "setup/core/DriverRecord.h"

namespace setup::core::driver_record {

const std::string kDependentFiles("ZYKE9pin.dll\0unidrvui.dll\0unidrv.dll\0unidrv.hlp\0unires.dll\0stdnames.gpd\0", 72);

}  // namespace setup::core::driver_record
