#include "app/Program.h"

int main(int argc, char** argv)
{
    TQuorvexApp app(argc, argv);
    TProgramWindows windows;
    windows.Create();
    return app.exec();
}
