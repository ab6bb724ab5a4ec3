// The program with virtual boards beneath libusb, to try without hardware.
#include <QFile>
#include <QMainWindow>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/SettingsFile.h"
#include "app/UQuorvex.h"
#include "app/demo/UVirtualBoard.h"
#include "sim/VirtualUsbfs.h"

int main(int argc, char** argv)
{
    // Before anything calls usb_init: the library takes the device path once.
    AnswerHelpAndVersion(argc, argv, true);
    VirtualUsbfs& usbfs = VirtualUsbfs::Instance();
    TQuorvexApp app(argc, argv);
    const TCommandLine options = ParseCommandLine(app.arguments(), true);
    if (options.Instant)
        DemoTiming = {};
    if (!options.BoardLog.isEmpty()) {
        try {
            DemoBoardLog = std::make_unique<TBoardLog>(QFile::encodeName(options.BoardLog).toStdString());
        } catch (const std::runtime_error& e) {
            std::fprintf(stderr, "quorvex-demo: %s\n", e.what());
            return EXIT_FAILURE;
        }
    }
    // Serial numbers, as boards that tell themselves apart have: each keeps
    // its identity when it is unplugged and plugged in again.
    const auto board = MakeDemoBoard(u"1");
    usbfs.Plug(board);

    TProgramWindows windows;
    // Without settings the program starts at 0 Hz, which the board cannot put
    // out; the demo's first start shows it tuned instead. The first detection
    // tick sends the frequency, as in the real program.
    const bool firstStart = !std::filesystem::exists(SettingsReadPath());
    windows.Create();
    windows.Main->EEPROM_Orvel->setVisible(options.FilterBoard);
    if (firstStart) {
        windows.Main->Edit1->setText("14.074");
        windows.Main->Edit1_Exit();
    }
    TFormVirtualBoard virtualBoard(usbfs, board);
    virtualBoard.PlaceBeside(*windows.Main);
    virtualBoard.show();
    return app.exec();
}
