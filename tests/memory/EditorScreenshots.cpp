// Draws the EEPROM editors as a user sees them against a virtual board, for
// the documentation: both editors after a read, and the standard editor in
// the middle of a write. Usage: eeprom_screenshots <output folder>
#include <QApplication>
#include <QPixmap>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "ControlHook.h"
#include "app/Program.h"
#include "app/UQuorvex.h"
#include "memory/UEEPROM.h"
#include "memory/UEEPROM_Orvel.h"
#include "sim/VirtualUsbfs.h"
#include "support/Feedback.h"

namespace {

void Save(QWidget& window, const std::filesystem::path& file)
{
    if (!window.grab().save(QString::fromStdString(file.string())))
        throw std::runtime_error("cannot write " + file.string());
    std::cout << file.string() << "\n";
}

// A board whose EEPROM looks used: calibrated, a restore frequency, slots
// and filters filled in.
void FillBoard(VirtualBoard& board)
{
    board.Eeprom.fill(0xFF);
    const uint8_t head[] = {0x9C, 0x00, 0xC3, 0x2B, 0x4A, 0x72, 0x55, 0x80, 0xA3, 0xD5, 0x00, 0x00, 0x00, 0x55};
    std::copy(std::begin(head), std::end(head), board.Eeprom.begin());
    board.Eeprom[0x0F] = 0x02;
    for (int i = 0; i < 9; ++i)
        for (int edge = 0; edge < 2; ++edge) {
            const uint32_t hz = static_cast<uint32_t>((1800000 + 3500000 * i) + edge * 900000);
            for (int b = 0; b < 4; ++b)
                board.Eeprom[static_cast<size_t>(0x41 + 8 * i + 4 * edge + b)] = static_cast<uint8_t>(hz >> (8 * b));
        }
    board.Eeprom[0x40] = 9;
    for (int n = 0; n < 3; ++n) {
        const uint32_t hz = 7000000 + 3500000 * static_cast<uint32_t>(n);
        for (int b = 0; b < 4; ++b)
            board.Eeprom[static_cast<size_t>(0x100 + 16 * n + b)] = static_cast<uint8_t>(hz >> (8 * b));
        board.Eeprom[static_cast<size_t>(0x108 + 16 * n)] = 4;
        board.Eeprom[static_cast<size_t>(0x109 + 16 * n)] = 1;
        board.Eeprom[static_cast<size_t>(0x10A + 16 * n)] = 0;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: eeprom_screenshots <output folder>\n";
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    VirtualUsbfs& fs = VirtualUsbfs::Instance();  // before the first usb_init
    const std::filesystem::path data = std::filesystem::temp_directory_path() / "quorvex-shots";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    TQuorvexApp app(argc, argv);
    ErrorDisplayHook = [](const std::string& text) { std::cerr << text << "\n"; };

    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    auto board = std::make_shared<VirtualBoard>(config);
    FillBoard(*board);
    SelUsbPortId = static_cast<uint8_t>(fs.Plug(board));

    TProgramWindows windows;
    windows.Create();
    windows.Main->EEPROM_Orvel->setVisible(true);
    // Online detection on, as most users keep it: opening an editor suspends
    // it and counts the board as online.
    windows.Main->CheckBox2->setChecked(true);

    windows.Main->EEPROMSetup1->trigger();
    QApplication::processEvents();
    Save(*FormEEPROM, out / "eeprom-editor.png");
    VendorTransferHook = [&](TVendorTransfer& t) {
        if (t.Number == 512 + 300)
            Save(*FormEEPROM, out / "eeprom-writing.png");
    };
    ResetVendorTransferCount();
    FormEEPROM->readEEPROM1->trigger();
    VendorTransferHook = nullptr;
    QApplication::processEvents();
    Save(*FormEEPROM, out / "eeprom-written.png");
    FormEEPROM->close();

    windows.Main->EEPROM_Orvel->trigger();
    QApplication::processEvents();
    Save(*FormEEPROM_Orvel, out / "eeprom-filter-board.png");
    FormEEPROM_Orvel->close();
    std::filesystem::remove_all(data);
    return 0;
}
