#include "base/floating_point_guard.h"

#include <xmmintrin.h>

// Out of line on purpose: a call is a point the compiler moves no floating-
// point operation across, so nothing of the caller's runs under the module's
// words and nothing of the module's under the caller's.

FloatingPointGuard::FloatingPointGuard()
{
    callerMxcsr_ = _mm_getcsr();
    _mm_setcsr(kModuleMxcsr);
    // FNSTENV masks every x87 exception once it has stored the environment;
    // FLDCW then sets the module's precision and rounding as well.
    __asm__ volatile("fnstenv %0" : "=m"(callerX87Environment_) : : "memory");
    __asm__ volatile("fldcw %0" : : "m"(kModuleX87ControlWord) : "memory");
}

FloatingPointGuard::~FloatingPointGuard()
{
    __asm__ volatile("fldenv %0" : : "m"(callerX87Environment_) : "memory");
    _mm_setcsr(callerMxcsr_);
}
