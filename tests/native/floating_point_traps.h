#pragma once

// Invalid operation, division by zero and overflow trap while one of these
// lives, as in a strict host: an operation that raises one ends the test
// process with SIGFPE instead of giving NaN or infinity quietly.

#include <cfenv>

class FloatingPointTraps {
public:
    FloatingPointTraps()
    {
        std::feclearexcept(FE_ALL_EXCEPT);
        feenableexcept(kTrapped);
    }
    ~FloatingPointTraps() { fedisableexcept(kTrapped); }
    FloatingPointTraps(const FloatingPointTraps&) = delete;
    FloatingPointTraps& operator=(const FloatingPointTraps&) = delete;

private:
    static constexpr int kTrapped = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
};
