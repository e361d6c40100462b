#pragma once

// Malformed documents, as a hostile or damaged folder hands them to the file
// manager: "Preview" streams cut short at every field, forged counts and
// header fields, run-length data that leaves its rows or the picture, the
// classes of bad bitmaps that image decoders are tested with, and files that
// are not compound files at all.

#include <cstdint>
#include <string>
#include <vector>

struct CorpusCase {
    std::string name;                 // says what is wrong
    std::vector<unsigned char> file;  // the whole document file
    // The picture size a reader may show for it; a bitmap of any other size
    // is a wrong result. 0 x 0 when no picture is possible.
    int width = 0;
    int height = 0;
    // Damage may have changed the header in ways the case cannot tell.
    bool anySize = false;
};

// Every case; writing them costs a compound file each.
std::vector<CorpusCase> MalformedCorpus();

// The bytes of a compound file holding one "Preview" stream.
std::vector<unsigned char> CompoundFileBytes(const std::vector<unsigned char>& previewStream);
