#pragma once
// Loading an ini file into the record and the controls, and the buttons that load and save one.

#include "program/settings/settings_context.h"

#include <string>
#include <string_view>

namespace mivo {

// Reads an ini file into the record and the seen flags (after a reset), with its messages on the status
// line.
void readIniFile(SettingsContext& ctx, IniMode mode, const std::string& path);
// The same over a text already in memory (the file's bytes); for tests and the fuzzer.
void readIniText(SettingsContext& ctx, IniMode mode, std::string_view text);

// The buttons: "reset GUI to default", and loading or saving an ini file (the caller chose the path).
void resetButton(SettingsContext& ctx);
void loadIniFile(SettingsContext& ctx, IniMode mode, const std::string& path);
bool saveIniFile(SettingsContext& ctx, IniMode mode, const std::string& path);

} // namespace mivo
