#pragma once

// The viewer's colours and the theme of its controls, from the host's
// options and the system's high-contrast mode: the background brush, the
// platform's dark theme for the scroll bars and the sheet tabs, and the
// information panel's colours.

#include "viewer/viewer_instance.h"

#include <windows.h>

// Whether the system's high-contrast mode is on.
bool HighContrastOn();

// The scroll bars and the sheet tabs take the platform's dark theme when the
// host wants dark controls (and high contrast is off), and the default theme
// again when they no longer do; wasThemed is whether they had it. Tabs made
// later take it as they are made.
void ApplyControlTheme(HWND viewerWindow, const ViewerInstance& instance, bool wasThemed);

// The controls' theme, and the panel's colours, which follow the background
// whether or not the host wants dark controls.
void ApplyHostTheme(HWND viewerWindow, ViewerInstance& instance, bool wasThemed);

// The background the options call for, in a new brush; false when it is the
// one painted already (or no brush can be made, which keeps the old one).
bool ApplyBackground(ViewerInstance& instance);
