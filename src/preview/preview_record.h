#pragma once

#include "preview/dib_layout.h"

#include <cstdint>

// A "Preview" record, in either container, is a 4-byte little-endian byte
// count and the packed DIB block that follows it.
inline constexpr std::uint32_t kPreviewCountSize = 4;

// Largest "Preview" record read, in either container: its byte count and the
// largest DIB block that the layout check could admit (the pixels of the
// largest screen bitmap, a full colour table, masks and the largest header).
inline constexpr std::uint32_t kMaxPreviewRecordBytes = static_cast<std::uint32_t>(kMaxScreenBitmapBytes) + 64 * 1024;

// The block size the count announces; 0 when it is 0, when the bytes after
// the count cannot hold that many, or when the record would exceed
// kMaxPreviewRecordBytes.
std::uint32_t PreviewBlockSize(const unsigned char* countBytes, std::uint64_t bytesAfterCount);
