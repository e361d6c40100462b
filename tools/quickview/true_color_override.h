#pragma once

// TrueColor=1 for one run of quickview: written into the plugin's settings
// file (corvelle.ini beside the program, where the plugin looks first) once
// the plugin has made sure the file exists, and put back as it was at the
// end, key absent or value as found.

#include <string>

class TrueColorOverride {
public:
    // Does nothing unless wanted.
    explicit TrueColorOverride(bool wanted);
    ~TrueColorOverride();
    TrueColorOverride(const TrueColorOverride&) = delete;
    TrueColorOverride& operator=(const TrueColorOverride&) = delete;

private:
    bool active_ = false;
    bool hadValue_ = false;
    std::wstring settingsPath_;
    std::wstring oldValue_;
};
