// Any block must be either refused, or located inside itself so that decoding
// it reads nothing past the block and writes nothing past the picture.
#include "preview/dib_layout.h"
#include "reference_dib_decoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the block's size lets the address sanitizer catch
    // any read beyond it.
    std::vector<unsigned char> block(data, data + size);
    const DibLayout layout = LocateDibPixels(block.data(), static_cast<std::uint32_t>(block.size()));
    if (!layout.valid)
        return 0;
    if (layout.bitsOffset < 40 || layout.bitsOffset > size)
        std::abort();
    const DecodeReport report =
        DecodeDibReference(block.data(), static_cast<std::uint32_t>(block.size()), layout.bitsOffset);
    if (report.readOutsideData || report.writeOutsidePicture) {
        std::fprintf(stderr, "admitted a block whose decoding %s\n",
                     report.readOutsideData ? "reads past its data" : "writes past the picture");
        std::abort();
    }
    return 0;
}
