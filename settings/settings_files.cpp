// Where the settings code finds the library's settings files.
#include "settings/settings_files_internal.h"

namespace kavro::settings {
namespace {

SettingsFileSource settingsFileSource = nullptr;
SettingsFileSource configFileSource = nullptr;

}  // namespace

void SetSettingsFileSources(SettingsFileSource settingsFile, SettingsFileSource configFile) {
  settingsFileSource = settingsFile;
  configFileSource = configFile;
}

CString LibrarySettingsFile() { return settingsFileSource ? settingsFileSource() : CString(); }

CString SystemVariableFile() { return configFileSource ? configFileSource() : CString(); }

}  // namespace kavro::settings
