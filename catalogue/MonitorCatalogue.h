// The monitor's own part of the catalogue: its per-model instance-lock names
// (so monitors of different models run side by side) and its version text.
// The installer does not include this header.
#pragma once

#include "catalogue/Catalogue.h"

namespace catalogue {

// clang-format off
inline constexpr const char* kModelMutexName[kModelCount] = {
    "Global\\{AD615511-D215-4ff1-9305-CA551D3B8500}",
    "Global\\{378A916F-E764-4d11-BE39-FD4E67731A81}",
    "Global\\{68A34BFC-1753-4c62-997C-8A379D84D961}",
    "Global\\{B40EACA8-92E2-4328-A625-F7F6844D5B28}",
    "Global\\{D0D6B7BC-4637-4241-A976-1224FC072D5C}",
    "Global\\{1CC10FF3-DF20-499e-926B-05E0CBF859F5}",
    "Global\\{D7595568-44DE-4f97-8D37-7E1B03CA5125}",
    "Global\\{80A9593F-1E06-453d-9757-A47E2539A4BA}",
    "Global\\{E6945CE1-41FE-486d-AC85-886282FA0EEC}",
    "Global\\{040382E9-99EC-4838-B9AF-A1E8054D760A}",
    "Global\\{6F5E4328-5FE1-444e-BF8E-EB224E74A47B}",
    "Global\\{0764D091-EAFD-447e-8CC9-5D68988535CB}",
    "Global\\{D870E50C-ADD3-4174-B676-9BF91248F1C4}",
    "Global\\{360E9EDD-2DD1-49f1-9E6A-71C4941CCD0B}",
};
// clang-format on

inline constexpr const char* ModelMutexName = kModelMutexName[MODEL_INDEX];

inline constexpr const char* VersionText = "Ver 2.01 (9W)";

}  // namespace catalogue
