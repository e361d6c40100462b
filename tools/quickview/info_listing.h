#pragma once

// quickview --info: every document's information on standard output.

#include "command_line.h"
#include "plugin_library.h"

// One line a row, "FILE<TAB>PROPERTY<TAB>VALUE", in UTF-8; a document
// without information prints nothing and the listing goes on. 0, or 1 when
// the plugin refused a call.
int ListDocumentInfo(const PluginLibrary& plugin, const QuickviewOptions& options);
