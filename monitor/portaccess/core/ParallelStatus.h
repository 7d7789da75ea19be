// Classification of one sample of the parallel port's status register.
#pragma once

namespace portaccess {

// The parallel status code of a status register byte: 1, 2, 3, 4 or -1.
// Only bits 7 (not Busy), 5 (Paper End), 4 (Select) and 3 (not Error) decide;
// bit 6 and bits 0 to 2 are ignored.
int ClassifyParallelStatus(unsigned char status);

// What the read gives instead when the port driver could not read the
// register (not loaded, stopped, or the request refused): no sample at all.
constexpr int kParallelUnreadable = -2;

}  // namespace portaccess
