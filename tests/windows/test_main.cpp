// The Windows tests run as in a strict host: see strict_floating_point.h.
#include "strict_floating_point.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    InstallStrictFloatingPointListener();
    return RUN_ALL_TESTS();
}
