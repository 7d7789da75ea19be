/* What the status monitor and the hwinterface port driver agree on: the
 * service and image names, the device's names and its two control codes.
 * Plain C, included by the driver (with kernel headers), its request checks
 * and the monitor alike. */
#ifndef PW_CONTRACT_PORT_DRIVER_H
#define PW_CONTRACT_PORT_DRIVER_H

/* The service that loads the driver, and the image it names below
 * System32\Drivers. */
#define HWI_SERVICE_NAME "hwinterface"
#define HWI_IMAGE_NAME HWI_SERVICE_NAME ".sys"

/* The device object, its link, and the link as a program opens it.
 * Narrow literals: the driver prefixes L to the concatenation. */
#define HWI_DEVICE_NAME "\\Device\\" HWI_SERVICE_NAME
#define HWI_LINK_NAME "\\DosDevices\\" HWI_SERVICE_NAME
#define HWI_DEVICE_PATH "\\\\.\\" HWI_SERVICE_NAME

/* Device type 0x9C40, buffered, any access; functions 0x801 and 0x802. */
#define HWI_DEVICE_TYPE 0x9C40UL
#define HWI_CONTROL_CODE(function) ((HWI_DEVICE_TYPE << 16) | ((function) << 2))
#define HWI_IOCTL_READ_PORT_BYTE HWI_CONTROL_CODE(0x801UL)
#define HWI_IOCTL_WRITE_PORT_BYTE HWI_CONTROL_CODE(0x802UL)

#endif
