// Draws the self-flasher as a user sees it against a virtual board, for the
// documentation: in the middle of flashing the toolchain-built test image,
// and after it. Usage: flash_screenshots <output folder>
#include <QAction>
#include <QApplication>
#include <QPushButton>

#include <filesystem>
#include <iostream>
#include <thread>

#include "app/Program.h"
#include "app/UQuorvex.h"
#include "flash/UFlash.h"
#include "sim/VirtualUsbfs.h"
#include "support/Feedback.h"
#include "support/FileDialogs.h"

namespace {

void Save(QWidget& window, const std::filesystem::path& file)
{
    if (!window.grab().save(QString::fromStdString(file.string())))
        throw std::runtime_error("cannot write " + file.string());
    std::cout << file.string() << "\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: flash_screenshots <output folder>\n";
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    VirtualUsbfs& fs = VirtualUsbfs::Instance();  // before the first usb_init
    TQuorvexApp app(argc, argv);
    ErrorDisplayHook = [](const std::string& text) { std::cerr << text << "\n"; };

    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    auto board = std::make_shared<VirtualBoard>(config);
    board->Latency = VirtualBoard::LowSpeedTiming;
    SelUsbPortId = static_cast<uint8_t>(fs.Plug(board));

    TProgramWindows windows;
    windows.Create();
    windows.Main->Flash1->trigger();
    QApplication::processEvents();
    FileDialogHook = [](const QFileDialog&) { return std::string(QUORVEX_FLASH_DATA "/blink.hex"); };
    int block = 0;
    FlashSleepHook = [&](int ms) {
        if (++block == 2)
            Save(*FormFlash, out / "flash-flashing.png");
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    FormFlash->Button9->click();
    QApplication::processEvents();
    Save(*FormFlash, out / "flash-finished.png");
    return 0;
}
