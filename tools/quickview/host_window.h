#pragma once

#include "command_line.h"
#include "plugin_library.h"

// Views the documents one after another in a window of the host's kind, until
// it is closed. Returns the exit status.
int RunViewer(const PluginLibrary& plugin, const QuickviewOptions& options);

// Opens the one document in a window of the requested size with the requested
// ShowFlags, waits for the paint, and writes the client area as PNG.
int TakeScreenshot(const PluginLibrary& plugin, const QuickviewOptions& options);
