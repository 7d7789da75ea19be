// The spooler's printer driver directory, asked the same way by the staging
// and the installation: a 10-byte probe for the size, then an owned buffer of
// exactly that size (asked again should the path have grown meanwhile), which
// replaces `buffer`.
#pragma once

#include <memory>

namespace setup::engine {

// 1 when buffer now holds the directory (null-terminated), 0 otherwise.
int QueryDriverDirectory(std::unique_ptr<char[]>& buffer);

}  // namespace setup::engine
