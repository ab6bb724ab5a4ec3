// Draws the WSPR beacon window as a user sees it against a virtual board,
// for the documentation: in the middle of a transmission.
// Usage: wspr_screenshots <output folder>
#include <QApplication>

#include <filesystem>
#include <iostream>

#include "BeaconDriver.h"
#include "app/Program.h"
#include "app/UQuorvex.h"
#include "sim/VirtualUsbfs.h"
#include "support/Feedback.h"
#include "wspr/UWspr.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: wspr_screenshots <output folder>\n";
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    VirtualUsbfs& fs = VirtualUsbfs::Instance();  // before the first usb_init
    TQuorvexApp app(argc, argv);
    ErrorDisplayHook = [](const std::string& text) { std::cerr << text << "\n"; };
    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    auto board = std::make_shared<VirtualBoard>(config);
    SelUsbPortId = static_cast<uint8_t>(fs.Plug(board));

    TProgramWindows windows;
    windows.Create();
    windows.Main->WSPR1->trigger();
    TFormWspr& w = *FormWspr;
    TBeaconDriver driver;
    w.SteadyNowHook = [&] { return driver.Now; };
    w.UtcNowHook = [&] { return driver.Utc(); };
    w.EditCall->setText("K1ABC");
    w.EditLocator->setText("FN42");
    w.ButtonStart->click();
    while (w.Beacon && w.Beacon->SymbolClock().LastSent() < 70) {
        driver.Now = std::max(driver.Now, w.Beacon->NextWake());
        w.Timer2Timer();
    }
    w.Timer1Timer();
    QApplication::processEvents();
    const std::filesystem::path file = out / "wspr-beacon.png";
    if (!w.grab().save(QString::fromStdString(file.string()))) {
        std::cerr << "cannot write " << file << "\n";
        return 1;
    }
    std::cout << file.string() << "\n";
    return 0;
}
