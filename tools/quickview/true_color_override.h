#pragma once

// TrueColor=1 for one run of quickview: written into the plugin's settings
// file (corvelle.ini beside the program, where the plugin looks first) once
// the plugin has made sure the file exists, and put back as it was at the
// end, key absent or value as found.

#include <string>

// What the settings file held before the run.
struct SavedTrueColor {
    bool changed = false;  // whether anything is to be put back
    bool hadValue = false;
    std::wstring value;
    std::wstring settingsPath;
};

// Sets TrueColor=1 when wanted; does nothing otherwise.
SavedTrueColor SetTrueColorForRun(bool wanted);
void RestoreTrueColor(const SavedTrueColor& saved);
