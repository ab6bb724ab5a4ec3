#include <gtest/gtest.h>

#include "app/Program.h"
#include "sim/VirtualUsbfs.h"

int main(int argc, char** argv)
{
    VirtualUsbfs::Instance();  // before the first usb_init: the library keeps the path
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TQuorvexApp app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
