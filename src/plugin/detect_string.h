#pragma once

#include <cstdint>

// The expression by which the host decides which files to offer us.
inline constexpr char kDetectString[] =
    "EXT=\"SLDASM\"|EXT=\"SLDDRW\"|EXT=\"SLDPRT\"|EXT=\"ASMDOT\"|EXT=\"DRWDOT\"|EXT=\"PRTDOT\"|"
    "EXT=\"SLDFLP\"|EXT=\"SLDDRT\"|EXT=\"ASM\"|EXT=\"DRW\"|EXT=\"PRT\"";
inline constexpr std::int32_t kDetectStringLength = sizeof kDetectString - 1;

// Copies at most maxlen characters of the expression and a terminating zero
// into buffer, which holds maxlen + 1 bytes. A negative maxlen or a null
// buffer writes nothing.
void CopyDetectString(char* buffer, std::int32_t maxlen);
