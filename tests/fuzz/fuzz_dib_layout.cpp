// Any block must be either refused or located inside itself.
#include "preview/dib_layout.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the block's size lets the address sanitizer catch
    // any read beyond it.
    std::vector<unsigned char> block(data, data + size);
    const DibLayout layout = LocateDibPixels(block.data(), static_cast<std::uint32_t>(block.size()));
    if (layout.valid && (layout.bitsOffset < 40 || layout.bitsOffset > size))
        std::abort();
    return 0;
}
