#pragma once

#include <cstdint>

// A "Preview" record, in either container, is a 4-byte little-endian byte
// count and the packed DIB block that follows it.
inline constexpr std::uint32_t kPreviewCountSize = 4;

// The block size the count announces; 0 when it is 0 or when the bytes after
// the count cannot hold that many.
std::uint32_t PreviewBlockSize(const unsigned char* countBytes, std::uint64_t bytesAfterCount);
