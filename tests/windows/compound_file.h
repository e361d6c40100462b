#pragma once

// Document fixtures: compound files made with the platform's own
// StgCreateDocfile, holding whatever streams a test needs.

#include <string>
#include <vector>

struct StreamContent {
    std::wstring name;
    std::vector<unsigned char> bytes;
};

// Creates (or replaces) a compound file with these streams in its root storage.
void WriteCompoundFile(const std::wstring& path, const std::vector<StreamContent>& streams);

// A "Preview" stream: the 32-bit little-endian count, then the block.
std::vector<unsigned char> PreviewStreamBytes(const std::vector<unsigned char>& block);
std::vector<unsigned char> PreviewStreamBytes(unsigned int count, const std::vector<unsigned char>& block);

// A document whose "Preview" stream holds this DIB block.
void WriteDocument(const std::wstring& path, const std::vector<unsigned char>& block);

// Rewrites the size that the root directory entry of streamName declares (its
// low 32 bits, at offset 120 of the 128-byte entry) in a compound file, as a
// forged document would. False when the entry cannot be found.
bool ForgeStreamSize(const std::wstring& path, const std::wstring& streamName, unsigned int size);

// A few-KB document whose "Preview" stream claims 0xFFFFFFFF bytes in its
// directory entry and a count of 0xFFFFFFF0 (the stream is large enough to
// live in regular sectors, so only its size is forged). False on failure.
bool WriteForgedSizeDocument(const std::wstring& path);
