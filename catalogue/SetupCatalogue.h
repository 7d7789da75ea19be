// The installer's own part of the catalogue: its version text.
#pragma once

#include "catalogue/Catalogue.h"

namespace catalogue {

inline constexpr const char* VersionText = "Version 2.01 (9W)";

}  // namespace catalogue
