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
