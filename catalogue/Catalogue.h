// The printer model catalogue: the fourteen models of the family and every
// name that differs between them. Both programs compile it in; each is built
// for exactly one model, MODEL_INDEX (a compile definition set by the build).
//
// The tables are stored literally, row by row, never derived: the USB serial
// strings must match what the printers report, irregular prefixes included.
// The program reads only the current row, through the Model... constants
// (ModelName, ModelKey, ...), which are evaluated at compile time, so a program
// carries only its own model's strings.
#pragma once

#ifndef MODEL_INDEX
#error "MODEL_INDEX must be defined by the build (0 to 13)"
#endif

namespace catalogue {

constexpr int kModelCount = 14;
static_assert(MODEL_INDEX >= 0 && MODEL_INDEX < kModelCount, "MODEL_INDEX must be 0 to 13");

// One row per line, as the tables are kept.
// clang-format off
inline constexpr const char* kModelName[kModelCount] = {
    "ZYK LXD 410 Nova",
    "ZYK LXD 420 Vintage",
    "ZYK LXD 420 Vintage Plus",
    "ZYK LXD 420 Nova",
    "ZYK LXD 425",
    "ZYK LXD 425 Defender XL",
    "ZYK LXD 425 Defender Plus",
    "ZYK LXD 425 Opal",
    "ZYK LXD 425 Nova",
    "ZYK LXD 450 Defender",
    "ZYK LXD 450 Opal",
    "ZYK LXD 450 Nova",
    "ZYK LXD 455",
    "ZYK LXD 455 Sentinel",
};

inline constexpr const char* kModelUsbSerial[kModelCount] = {
    "zyke-410nova",
    "zyk-420vt",
    "zyk-420vtps",
    "zyk-420nova",
    "zyk-425",
    "zyk-425dfxl",
    "zyk-425dfps",
    "lxd-425opal",
    "zyk-425nova",
    "zyk-450df",
    "lxd-450opal",
    "zyk-450nova",
    "zyk-455",
    "zyk-455sent",
};

inline constexpr const char* kModelHardwareId[kModelCount] = {
    "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA",
};

inline constexpr const char* kModelShareName[kModelCount] = {
    "ZYKLXD410NOVA",
    "ZYKLXD420VT",
    "ZYKLXD420VTPS",
    "ZYKLXD420NOVA",
    "ZYKLXD425",
    "ZYKLXD425DFXL",
    "ZYKLXD425DFPS",
    "ZYKLXD425OPAL",
    "ZYKLXD425NOVA",
    "ZYKLXD450DF",
    "ZYKLXD450OPAL",
    "ZYKLXD450NOVA",
    "ZYKLXD455",
    "ZYKLXD455SENT",
};

inline constexpr const char* kModelKey[kModelCount] = {
    "LXD410NOVA",
    "LXD420VT",
    "LXD420VTPS",
    "LXD420NOVA",
    "LXD425",
    "LXD425DFXL",
    "LXD425DFPS",
    "LXD425OPAL",
    "LXD425NOVA",
    "LXD450DF",
    "LXD450OPAL",
    "LXD450NOVA",
    "LXD455",
    "LXD455SENT",
};

inline constexpr const char* kModelInfFile[kModelCount] = {
    "ZYKELXD410NOVA.INF",
    "ZYKELXD420VT.INF",
    "ZYKELXD420VTPS.INF",
    "ZYKELXD420NOVA.INF",
    "ZYKELXD425.INF",
    "ZYKELXD425DFXL.INF",
    "ZYKELXD425DFPS.INF",
    "ZYKELXD425OPAL.INF",
    "ZYKELXD425NOVA.INF",
    "ZYKELXD450DF.INF",
    "ZYKELXD450OPAL.INF",
    "ZYKELXD450NOVA.INF",
    "ZYKELXD455.INF",
    "ZYKELXD455SENT.INF",
};

inline constexpr const char* kModelGpdFile[kModelCount] = {
    "LXD410NOVA.GPD",
    "LXD420VT.GPD",
    "LXD420VTPS.GPD",
    "LXD420NOVA.GPD",
    "LXD425.GPD",
    "LXD425DFXL.GPD",
    "LXD425DFPS.GPD",
    "LXD425OPAL.GPD",
    "LXD425NOVA.GPD",
    "LXD450DF.GPD",
    "LXD450OPAL.GPD",
    "LXD450NOVA.GPD",
    "LXD455.GPD",
    "LXD455SENT.GPD",
};

// clang-format on

// The current model's entries.
inline constexpr const char* ModelName = kModelName[MODEL_INDEX];
inline constexpr const char* ModelUsbSerial = kModelUsbSerial[MODEL_INDEX];
inline constexpr const char* ModelHardwareId = kModelHardwareId[MODEL_INDEX];
inline constexpr const char* ModelShareName = kModelShareName[MODEL_INDEX];
inline constexpr const char* ModelKey = kModelKey[MODEL_INDEX];
inline constexpr const char* ModelInfFile = kModelInfFile[MODEL_INDEX];
inline constexpr const char* ModelGpdFile = kModelGpdFile[MODEL_INDEX];

}  // namespace catalogue
