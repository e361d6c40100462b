#include "plugin/detect_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kExpression =
    "EXT=\"SLDASM\"|EXT=\"SLDDRW\"|EXT=\"SLDPRT\"|EXT=\"ASMDOT\"|EXT=\"DRWDOT\"|EXT=\"PRTDOT\"|"
    "EXT=\"SLDFLP\"|EXT=\"SLDDRT\"|EXT=\"ASM\"|EXT=\"DRW\"|EXT=\"PRT\"";

// The buffer after the call, with a guard byte beyond maxlen + 1.
std::vector<char> Detect(int maxlen, int bufferSize)
{
    std::vector<char> buffer(bufferSize, '#');
    CopyDetectString(buffer.data(), maxlen);
    return buffer;
}

}  // namespace

TEST(CopyDetectString, WholeExpressionWhenItFits)
{
    ASSERT_EQ(kExpression.size(), 133u);
    for (int maxlen : {133, 1024}) {
        const std::vector<char> buffer = Detect(maxlen, 1025);
        EXPECT_EQ(std::string(buffer.data()), kExpression);
        EXPECT_EQ(buffer[134], '#');
    }
}

TEST(CopyDetectString, ShorterBufferGetsTheBeginningAndAZero)
{
    const std::vector<char> buffer = Detect(132, 134);
    EXPECT_EQ(std::string(buffer.data()), kExpression.substr(0, 132));
    EXPECT_EQ(std::string(buffer.data()).substr(123), "|EXT=\"PRT");
    EXPECT_EQ(buffer[133], '#');
}

TEST(CopyDetectString, ZeroGivesALoneTerminatorAndNegativeWritesNothing)
{
    std::vector<char> buffer = Detect(0, 4);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');
    buffer = Detect(-1, 4);
    EXPECT_EQ(buffer[0], '#');
    CopyDetectString(nullptr, 10);
}
