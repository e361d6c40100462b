#pragma once

// Where both modules keep their settings: a file named as the module
// ("corvelle.ini") beside it when there is one, else beside the host's own
// settings file. Works it out without a box, for the viewer's and the
// content module's SetDefaultParams alike.

#include "base/host_contract.h"
#include "base/module_state.h"

// The settings path into settingsPath (kWidePathCapacity characters); false
// when the module's own path cannot be had.
bool WorkOutSettingsPath(const HostParameterRecord* parameters, wchar_t* settingsPath);

bool FileExists(const wchar_t* path);
