#pragma once

// The quick-view program's command line, taken apart without the platform:
//   quickview FILE...                                   view, one after another
//   quickview --screenshot OUT.png [--size WxH] [--flags N] [--sheet N] FILE
//   quickview --thumbnails OUTDIR [--box WxH] FILE...
//   quickview --info FILE...                            the documents' information
//   quickview --fields FILE...                          the content module's fields
// --size, --flags, --dark and --dpi also apply to viewing; --true-color to
// every mode but --fields.

#include <set>
#include <string>
#include <vector>

enum class QuickviewMode { View, Screenshot, Thumbnails, Info, Fields, Help };

struct QuickviewOptions {
    QuickviewMode mode = QuickviewMode::View;
    std::wstring output;  // the screenshot file or the thumbnail folder
    int windowWidth = 800;
    int windowHeight = 600;
    int boxWidth = 96;
    int boxHeight = 96;
    int showFlags = 0;
    bool trueColor = false;  // TrueColor=1 for the run
    int sheet = -1;          // the drawing's sheet to show, 0-based; -1: as saved
    int dpi = 0;             // the windows' DPI for the run; 0: the system's
    std::vector<std::wstring> files;
};

struct ParsedCommandLine {
    bool ok = false;
    std::wstring error;  // what is wrong, for the usage message
    QuickviewOptions options;
};

// arguments excludes the program name.
ParsedCommandLine ParseQuickviewCommandLine(const std::vector<std::wstring>& arguments);

// "WxH" with both sides from 1 to 16384.
bool ParseSize(const std::wstring& text, int* width, int* height);

// A decimal or 0x-hexadecimal 32-bit value.
bool ParseFlags(const std::wstring& text, int* flags);

// The thumbnail's file name for a document: its file name with ".png" added,
// made unique among the names already used (case-insensitively) by a "-2",
// "-3"... before ".png". The name is added to usedNames.
std::wstring ThumbnailFileName(const std::wstring& documentPath, std::set<std::wstring>* usedNames);

extern const wchar_t kQuickviewUsage[];
