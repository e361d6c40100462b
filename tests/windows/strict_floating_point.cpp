#include "strict_floating_point.h"

#include <gtest/gtest.h>

#include <xmmintrin.h>

namespace {

constexpr std::uint32_t kMxcsrFlags = 0x003F;

// The control bits of both words: MXCSR without its exception flags.
struct FloatingPointWords {
    std::uint32_t mxcsr;
    std::uint16_t x87Control;
};

std::uint16_t ReadX87ControlWord()
{
    std::uint16_t word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

// Clears the x87 flags first: a flag left set under an unmasked control
// word would trap at the next x87 instruction.
void WriteX87ControlWord(std::uint16_t word)
{
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(word) : "memory");
}

void SetWords(std::uint32_t mxcsr, std::uint16_t x87Control)
{
    WriteX87ControlWord(x87Control);
    _mm_setcsr(mxcsr);
}

FloatingPointWords CurrentFloatingPointWords()
{
    return {_mm_getcsr() & ~kMxcsrFlags, ReadX87ControlWord()};
}

class StrictFloatingPointListener : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& /*test*/) override
    {
        before_ = CurrentFloatingPointWords();
        UseStrictFloatingPoint();
        // As the processor reads them back: the x87 word's reserved bit 6
        // reads 1.
        strict_ = CurrentFloatingPointWords();
    }

    // Any entry into the plugin that does not give the caller's words back
    // shows here, whichever test made it.
    void OnTestEnd(const testing::TestInfo& /*test*/) override
    {
        const FloatingPointWords after = CurrentFloatingPointWords();
        SetWords(before_.mxcsr, before_.x87Control);
        EXPECT_EQ(after.mxcsr, strict_.mxcsr)
            << std::hex << "MXCSR at the test's end: 0x" << after.mxcsr << ", expected 0x" << strict_.mxcsr;
        EXPECT_EQ(after.x87Control, strict_.x87Control) << std::hex << "x87 control word at the test's end: 0x"
                                                        << after.x87Control << ", expected 0x" << strict_.x87Control;
    }

private:
    FloatingPointWords before_ = {};
    FloatingPointWords strict_ = {};
};

}  // namespace

void UseStrictFloatingPoint()
{
    SetWords(kStrictMxcsr, kStrictX87ControlWord);
}

void InstallStrictFloatingPointListener()
{
    testing::UnitTest::GetInstance()->listeners().Append(new StrictFloatingPointListener);
}
