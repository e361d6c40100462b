#pragma once

#include "command_line.h"
#include "plugin_library.h"

// Writes one PNG thumbnail per document into the output folder, one line per
// document on standard output and a summary. Returns the exit status: 0 when
// every document gave a thumbnail, 1 otherwise.
int WriteThumbnails(const PluginLibrary& plugin, const QuickviewOptions& options);
