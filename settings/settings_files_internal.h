// Where the settings code finds the library's settings files.
//
// The files lie in the installation tree, which the module environment
// (a later layer) knows: it tells this layer how to find them when the
// global object is made. Until then each source gives an empty path, and
// reads fall back to their defaults.
#pragma once

#include "KavroStd/platform/cstring.h"

namespace kavro::settings {

using SettingsFileSource = CString (*)();

// The library settings file ("KavroStd.ini") and the system-variable file.
void SetSettingsFileSources(SettingsFileSource settingsFile, SettingsFileSource configFile);
CString LibrarySettingsFile();
CString SystemVariableFile();

}  // namespace kavro::settings
