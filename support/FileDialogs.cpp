#include "support/FileDialogs.h"

std::string RunFileDialog(QFileDialog& dialog)
{
    if (FileDialogHook)
        return FileDialogHook(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return "";
    return dialog.selectedFiles().front().toStdString();
}
