#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/UQuorvex.h"

int main(int argc, char** argv)
{
    AnswerHelpAndVersion(argc, argv);
    TQuorvexApp app(argc, argv);
    const TCommandLine options = ParseCommandLine(app.arguments());
    TProgramWindows windows;
    windows.Create();
    windows.Main->EEPROM_Orvel->setVisible(options.FilterBoard);
    return app.exec();
}
