#pragma once
// The error codes GEMDOS returns in D0 (negative longs).
#include <cstdint>

enum : int32_t {
    E_OK = 0,
    EWRITF = -10,  // write fault
    EREADF = -11,  // read fault
    EWRPRO = -13,  // write-protected
    EINVFN = -32,  // invalid function
    EFILNF = -33,  // file not found
    EPTHNF = -34,  // path not found
    ENHNDL = -35,  // no handle left
    EACCDN = -36,  // access denied
    EIHNDL = -37,  // invalid handle
    ENSMEM = -39,  // not enough memory
    EIMBA = -40,   // invalid memory block
    EDRIVE = -46,  // invalid drive
    ENSAME = -48,  // not the same drive
    ENMFIL = -49,  // no more files
    E_RANGE = -64,  // out of range (GEMDOS calls it ERANGE, which C takes for errno)
    EINTRN = -65,  // internal error
    EPLFMT = -66,  // invalid program format
};
