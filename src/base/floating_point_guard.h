#pragma once

// Some hosts run with floating-point exceptions unmasked (programs built by
// some Pascal compilers start with SSE MXCSR 0x1900 and x87 control word
// 0x1332): there a 0/0 anywhere in the module is a hardware exception that
// kills the host. Every entry from the host (each export, each window
// procedure, DllMain) holds one of these for its whole run: the module then
// computes with every exception masked, rounding to nearest, and the caller
// gets its own words back as they were, with the exception flags it had.

#include <cstdint>

// The words the module computes with: the platform's defaults, every
// exception masked, round to nearest, no flush to zero; x87 at 53 bits.
inline constexpr std::uint32_t kModuleMxcsr = 0x1F80;
inline constexpr std::uint16_t kModuleX87ControlWord = 0x027F;

class FloatingPointGuard {
public:
    FloatingPointGuard();
    ~FloatingPointGuard();
    FloatingPointGuard(const FloatingPointGuard&) = delete;
    FloatingPointGuard& operator=(const FloatingPointGuard&) = delete;

private:
    std::uint32_t callerMxcsr_;
    // The x87 environment as FNSTENV stores it in 64-bit mode: control,
    // status and tag words and the last instruction's pointers, 28 bytes.
    // Loaded back whole, so that the caller's status flags come back too and
    // none raised here is left pending under the caller's unmasked control
    // word (which would trap at the caller's next x87 instruction).
    std::uint32_t callerX87Environment_[7];
};
