#pragma once

// The strict host. Programs built by some Pascal compilers run with invalid
// operation, division by zero and overflow unmasked (SSE MXCSR 0x1900, x87
// control word 0x1332), so that a floating-point exception raised in a
// plugin is a hardware exception that kills them. Every test runs with
// these words (test_main.cpp sets them before each one), so that such an
// exception fails the test as it would kill the host, and each test ends by
// checking that the plugin handed them back unchanged. No call that the
// tests make into Wine themselves (gdi32, user32, comctl32, the imaging
// component) has needed them masked; one that does is masked around that
// call alone, with the reason beside it.

#include <cstdint>

inline constexpr std::uint32_t kStrictMxcsr = 0x1900;
inline constexpr std::uint16_t kStrictX87ControlWord = 0x1332;

// The strict words on the calling thread: a thread starts with the
// platform's defaults, so each thread a test starts to call the plugin sets
// them first, as each child process does.
void UseStrictFloatingPoint();

// Sets the strict words before each test and checks them after it; the
// default words in between, for the framework's own work.
void InstallStrictFloatingPointListener();
