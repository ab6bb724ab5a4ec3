#include "support/Feedback.h"

#include <QApplication>
#include <QMessageBox>

void ShowRaisedError(const std::string& text)
{
    if (ErrorDisplayHook) {
        ErrorDisplayHook(text);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                          QString::fromStdString(text));
}

void Beep()
{
    if (BeepHook)
        BeepHook();
    else
        QApplication::beep();
}
