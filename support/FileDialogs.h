#pragma once
// Runs a file dialog for a window. Tests install the hook to answer in the
// operator's place (the dialog is set up as the operator would see it).
#include <QFileDialog>

#include <functional>
#include <string>

// Returns the chosen file name, or "" for cancel.
inline std::function<std::string(const QFileDialog&)> FileDialogHook;

std::string RunFileDialog(QFileDialog& dialog);
