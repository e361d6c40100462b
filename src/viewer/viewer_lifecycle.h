#pragma once

// Opening, reloading, re-optioning and closing a viewer window: what the
// exports do once their arguments are checked and converted.

#include "viewer/viewer_instance.h"

#include <windows.h>

#include <cstdint>

// A new viewer window covering the host window's client area, showing the
// document's picture; null when there is no picture or no window. Its menu
// copies the picture with copyPicture.
HWND OpenViewer(HWND hostWindow, const wchar_t* documentPath, std::uint32_t showFlags, CopyPictureFunction copyPicture);

// Shows another document in an open viewer; the host's status.
int ReloadViewer(HWND viewerWindow, ViewerInstance& instance, const wchar_t* documentPath, std::uint32_t showFlags);

// New view options from ShowFlags, laid out and repainted; the host's status.
int ApplyViewerOptions(HWND viewerWindow, ViewerInstance& instance, std::uint32_t showFlags);

// Destroys the window, whose destruction deletes the record's objects, then
// frees the record.
void CloseViewer(HWND viewerWindow);

// Removes the window class this module registered, so that a host which
// unloads it and loads another copy never gets a class whose window
// procedure points into unloaded code.
void UnregisterViewerClass();
