#include "CheckerResult.h"

int32_t CheckResultFromSystemError(uint32_t systemError) {
    uint32_t code;
    switch (systemError) {
    case 0: return kCheckOk;
    case 2: code = 0x80010102; break;     // file not found
    case 3: code = 0x80010103; break;     // path not found
    case 5: code = 0x80000045; break;     // access denied
    case 6: code = 0x80010101; break;     // invalid handle
    case 8: code = 0x80000041; break;     // not enough memory
    case 32: case 33: code = 0x80010104; break;  // sharing or lock violation
    case 87: case 160: code = 0x80000046; break; // invalid parameter, bad arguments
    case 112: code = 0x80000062; break;   // disk full
    case 123: code = 0x80010109; break;   // invalid name
    case 127: code = 0x80010107; break;   // procedure not found
    case 183: code = 0x80010105; break;   // already exists
    case 1347: code = 0x80010110; break;
    case 1413: code = 0x8000005E; break;
    case 14001: code = 0x80010108; break; // side-by-side configuration
    default: code = 0x80010100; break;
    }
    return static_cast<int32_t>(code);
}
