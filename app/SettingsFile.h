#pragma once
// "Quorvex.ini": every persistent setting, one per line, read once at start by
// a forward scan in key order and rewritten whole at close.
#include <functional>
#include <istream>
#include <string>

class QCheckBox;
class QComboBox;

// Installed by tests only: the directories the settings file is read from
// (the working directory) and written to (beside the executable), and whether
// the executable's directory may be written (a test run as root may write
// any folder).
inline std::function<std::string()> WorkingDirHook;
inline std::function<std::string()> ExecutableDirHook;
inline std::function<bool(const std::string& dir)> DirWritableHook;

// A program run from its build or a portable folder reads the file from the
// working directory and writes it beside the executable. An installed one,
// whose folder the user cannot write, writes to the user's config folder and
// reads from there when the working directory holds no settings file.
std::string SettingsReadPath();
std::string SettingsWritePath();

// Reads the seventeen keys in file order into the shared settings; the unit
// and the "Online detect" box are the main window's controls.
void ReadSettings(std::istream& file, QComboBox& unit, QCheckBox& onlineDetect);

// The seventeen lines, CR LF each, from the shared settings and the three
// values that live in controls.
std::string SettingsText(int unitIndex, bool rememberLastFrequency, bool onlineDetect);

// Replaces the file only once the new text is complete on disk, so a failed
// write leaves the old file as it was. FileError when it cannot.
void WriteSettingsFile(const std::string& path, const std::string& text);
