#include "base/floating_point_guard.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <xmmintrin.h>

namespace {

// The words of a strict host: invalid operation, division by zero and
// overflow unmasked on both units, x87 at 64 bits.
constexpr std::uint32_t kStrictMxcsr = 0x1900;
constexpr std::uint16_t kStrictX87ControlWord = 0x1332;
constexpr std::uint32_t kMxcsrInvalidFlag = 0x0001;
constexpr std::uint32_t kMxcsrPrecisionFlag = 0x0020;
constexpr std::uint16_t kX87InvalidFlag = 0x0001;
constexpr std::uint16_t kX87PrecisionFlag = 0x0020;

std::uint16_t X87ControlWord()
{
    std::uint16_t word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

std::uint16_t X87StatusWord()
{
    std::uint16_t word = 0;
    __asm__ volatile("fnstsw %0" : "=m"(word));
    return word;
}

// The test's thread plays the strict host while it lives, its x87 precision
// flag already set; the process's own words afterwards.
class StrictHostWords {
public:
    explicit StrictHostWords(std::uint32_t mxcsr) : mxcsr_(_mm_getcsr()), x87Control_(X87ControlWord())
    {
        // An inexact x87 operation sets the precision flag, which the strict
        // word leaves masked.
        volatile long double third = 1.0L;
        third = third / 3.0L;
        const std::uint16_t strict = kStrictX87ControlWord;
        __asm__ volatile("fldcw %0" : : "m"(strict));
        _mm_setcsr(mxcsr);
    }
    ~StrictHostWords()
    {
        _mm_setcsr(mxcsr_);
        __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(x87Control_));
    }
    StrictHostWords(const StrictHostWords&) = delete;
    StrictHostWords& operator=(const StrictHostWords&) = delete;

private:
    std::uint32_t mxcsr_;
    std::uint16_t x87Control_;
};

// 0/0 on both units: an invalid operation, which the strict words trap.
void DivideZeroByZero()
{
    volatile double zero = 0.0;
    volatile double quotient = zero / zero;
    volatile long double longZero = 0.0L;
    volatile long double longQuotient = longZero / longZero;
    (void)quotient;
    (void)longQuotient;
}

}  // namespace

// Inside the guard a 0/0 is NaN, on the SSE and the x87 unit; after it the
// caller has its control words and its own flags back, and no flag raised
// inside is left to trap at the caller's next x87 instruction.
TEST(FloatingPointGuard, MasksInsideAndGivesTheCallersWordsBack)
{
    std::uint32_t mxcsrInside = 0;
    std::uint16_t x87Inside = 0;
    std::uint32_t mxcsrBefore = 0;
    std::uint16_t x87ControlBefore = 0;
    std::uint32_t mxcsrAfter = 0;
    std::uint16_t x87ControlAfter = 0;
    std::uint16_t x87StatusAfter = 0;
    {
        const StrictHostWords host(kStrictMxcsr | kMxcsrPrecisionFlag);
        // As the processor reads them back (the x87 word's reserved bit 6 reads 1).
        mxcsrBefore = _mm_getcsr();
        x87ControlBefore = X87ControlWord();
        {
            const FloatingPointGuard guard;
            mxcsrInside = _mm_getcsr();
            x87Inside = X87ControlWord();
            DivideZeroByZero();
        }
        mxcsrAfter = _mm_getcsr();
        x87ControlAfter = X87ControlWord();
        x87StatusAfter = X87StatusWord();
        volatile long double next = 2.0L;  // traps here if the invalid flag were left
        next = next * 2.0L;
    }
    EXPECT_EQ(mxcsrInside, kModuleMxcsr) << std::hex << "0x" << mxcsrInside;
    EXPECT_EQ(x87Inside, kModuleX87ControlWord) << std::hex << "0x" << x87Inside;
    EXPECT_EQ(mxcsrBefore, kStrictMxcsr | kMxcsrPrecisionFlag) << std::hex << "0x" << mxcsrBefore;
    EXPECT_EQ(x87ControlBefore, kStrictX87ControlWord | 0x40) << std::hex << "0x" << x87ControlBefore;
    EXPECT_EQ(mxcsrAfter, mxcsrBefore) << std::hex << "0x" << mxcsrAfter << ", expected 0x" << mxcsrBefore;
    EXPECT_EQ(x87ControlAfter, x87ControlBefore)
        << std::hex << "0x" << x87ControlAfter << ", expected 0x" << x87ControlBefore;
    EXPECT_EQ(x87StatusAfter & 0x3F, kX87PrecisionFlag) << std::hex << "x87 status 0x" << x87StatusAfter;
    EXPECT_EQ(mxcsrAfter & kMxcsrInvalidFlag, 0u);
    EXPECT_EQ(x87StatusAfter & kX87InvalidFlag, 0);
}
