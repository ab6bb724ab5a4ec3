// The program with virtual boards beneath libusb, to try without hardware.
#include <QMainWindow>

#include "app/Program.h"
#include "app/UQuorvex.h"
#include "app/demo/UVirtualBoard.h"
#include "sim/VirtualUsbfs.h"

int main(int argc, char** argv)
{
    // Before anything calls usb_init: the library takes the device path once.
    VirtualUsbfs& usbfs = VirtualUsbfs::Instance();
    const auto board = MakeDemoBoard(u"");
    usbfs.Plug(board);

    TQuorvexApp app(argc, argv);
    TProgramWindows windows;
    windows.Create();
    TFormVirtualBoard virtualBoard(usbfs, board);
    virtualBoard.move(windows.Main->frameGeometry().topRight() + QPoint(16, 0));
    virtualBoard.show();
    return app.exec();
}
