// Splitting any path into small buffers never writes beyond them.
#include "base/split_path.h"

#include "base/bounded_string.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<wchar_t> path;
    for (std::size_t i = 0; i < size; ++i) {
        static const wchar_t kAlphabet[] = L"C:\\/.ab";
        path.push_back(kAlphabet[data[i] % 7]);
    }
    path.push_back(L'\0');
    std::vector<wchar_t> drive(3), directory(8), baseName(5), extension(4);
    SplitPath(path.data(), {drive.data(), drive.size()}, {directory.data(), directory.size()},
              {baseName.data(), baseName.size()}, {extension.data(), extension.size()});
    std::vector<wchar_t> all(64);
    CopyBounded(all.data(), drive.data(), all.size());
    AppendBounded(all.data(), directory.data(), all.size());
    AppendBounded(all.data(), baseName.data(), all.size());
    AppendBounded(all.data(), extension.data(), all.size());
    if (WideLength(all.data()) > size)
        std::abort();
    return 0;
}
