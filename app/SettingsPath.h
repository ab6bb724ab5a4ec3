#pragma once
// Where "Quorvex.ini" is read and written. Qt Core only, so quorvexctl finds
// the same file as the program.
#include <functional>
#include <string>

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
