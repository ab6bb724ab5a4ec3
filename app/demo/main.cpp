// The program with virtual boards beneath libusb, to try without hardware.
#include <QMainWindow>

#include <filesystem>
#include <iostream>
#include <string_view>

#include "app/Program.h"
#include "app/SettingsFile.h"
#include "app/UQuorvex.h"
#include "app/demo/UVirtualBoard.h"
#include "sim/VirtualUsbfs.h"

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--instant") {
            DemoTiming = {};
        } else if (arg == "--help") {
            std::cout << "Usage: quorvex-demo [--instant]\n"
                         "Quorvex with a virtual board beneath the USB library.\n"
                         "  --instant  the virtual board answers at once instead of taking the\n"
                         "             time a real low-speed board takes for each transfer\n";
            return 0;
        }
    }
    // Before anything calls usb_init: the library takes the device path once.
    VirtualUsbfs& usbfs = VirtualUsbfs::Instance();
    const auto board = MakeDemoBoard(u"");
    usbfs.Plug(board);

    TQuorvexApp app(argc, argv);
    TProgramWindows windows;
    // Without settings the program starts at 0 Hz, which the board cannot put
    // out; the demo's first start shows it tuned instead. The first detection
    // tick sends the frequency, as in the real program.
    const bool firstStart = !std::filesystem::exists(SettingsReadPath());
    windows.Create();
    if (firstStart) {
        windows.Main->Edit1->setText("14.074");
        windows.Main->Edit1_Exit();
    }
    TFormVirtualBoard virtualBoard(usbfs, board);
    virtualBoard.move(windows.Main->frameGeometry().topRight() + QPoint(16, 0));
    virtualBoard.show();
    return app.exec();
}
