#pragma once

// The strict host. Programs built by some Pascal compilers run with invalid
// operation, division by zero and overflow unmasked (SSE MXCSR 0x1900, x87
// control word 0x1332), so that a floating-point exception raised in a
// plugin is a hardware exception that kills them. Every test runs with
// these words (test_main.cpp sets them before each one), so that such an
// exception fails the test as it would kill the host, and each test ends by
// checking that the plugin handed them back unchanged.

#include <cstdint>

inline constexpr std::uint32_t kStrictMxcsr = 0x1900;
inline constexpr std::uint16_t kStrictX87ControlWord = 0x1332;

// The control bits of both words; MXCSR without its exception flags.
struct FloatingPointWords {
    std::uint32_t mxcsr;
    std::uint16_t x87Control;
};
FloatingPointWords CurrentFloatingPointWords();

// The strict words on the calling thread: a thread starts with the
// platform's defaults, so each thread a test starts to call the plugin sets
// them first, as each child process does.
void UseStrictFloatingPoint();

// Every exception masked while it lives, then the words as they were, for
// a call into the platform made by the test itself where Wine's own code
// would trap under the strict words; each use says why.
class MaskedFloatingPoint {
public:
    MaskedFloatingPoint();
    ~MaskedFloatingPoint();
    MaskedFloatingPoint(const MaskedFloatingPoint&) = delete;
    MaskedFloatingPoint& operator=(const MaskedFloatingPoint&) = delete;

private:
    std::uint32_t mxcsr_;
    std::uint16_t x87Control_;
};

// Sets the strict words before each test and checks them after it; the
// default words in between, for the framework's own work.
void InstallStrictFloatingPointListener();
