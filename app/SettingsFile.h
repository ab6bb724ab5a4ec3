#pragma once
// "Quorvex.ini": every persistent setting, one per line, read once at start by
// a forward scan in key order and rewritten whole at close.
#include <istream>
#include <string>

#include "app/SettingsPath.h"

class QCheckBox;
class QComboBox;

// Reads the keys in file order into the shared settings (the seventeen of
// old, then the WSPR beacon window's fields, then network control's); the
// unit and the "Online detect" box are the main window's controls.
void ReadSettings(std::istream& file, QComboBox& unit, QCheckBox& onlineDetect);

// The lines, CR LF each, from the shared settings and the three values that
// live in controls.
std::string SettingsText(int unitIndex, bool rememberLastFrequency, bool onlineDetect);

// Replaces the file only once the new text is complete on disk, so a failed
// write leaves the old file as it was. FileError when it cannot.
void WriteSettingsFile(const std::string& path, const std::string& text);
