/* The production image's knowledge of the parallel ports' I/O ranges
 * (hwranges_pnp.c), which its port access (hwports_hal.c) starts and stops. */
#ifndef HWINTERFACE_HWRANGES_PNP_H
#define HWINTERFACE_HWRANGES_PNP_H

#include <ntifs.h>

/* Reads the parallel ports now, before it returns, and starts the watch that
 * reads them again about a second after a change of the system's devices.
 * PASSIVE_LEVEL. */
void HwiPnpRangesStart(void);

/* Ends the watch and waits for it; afterwards no code of the watch runs. */
void HwiPnpRangesStop(void);

#endif
