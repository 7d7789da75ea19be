#include "monitor/portaccess/core/ParallelStatus.h"

namespace portaccess {

int ClassifyParallelStatus(unsigned char status) {
    // Pack bits 7, 5, 4, 3 into a nibble in that order and look the rows up;
    // the rows are disjoint, so the first match is the only one.
    const unsigned key = ((status >> 4) & 0x8u) | ((status >> 3) & 0x7u);
    switch (key) {
    case 0x7:            // 0 1 1 1
    case 0x8: return 1;  // 1 0 0 0
    case 0xB: return 2;  // 1 0 1 1
    case 0x4: return 3;  // 0 1 0 0
    case 0x1: return 4;  // 0 0 0 1
    default: return -1;
    }
}

}  // namespace portaccess
