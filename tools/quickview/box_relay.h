#pragma once

#include <windows.h>

// While it exists, message boxes that the plugin shows in this process are
// written to standard error and closed, so that a batch run (thumbnails,
// screenshots) never waits for someone to press OK: the notice of a newly
// created settings file, or failure reports when Debug is on.
class MessageBoxRelay {
public:
    MessageBoxRelay();
    ~MessageBoxRelay();
    MessageBoxRelay(const MessageBoxRelay&) = delete;
    MessageBoxRelay& operator=(const MessageBoxRelay&) = delete;

private:
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
};
