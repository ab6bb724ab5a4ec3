#pragma once
// What a documentation screenshot tool needs besides its window: one
// synthesizer board on the virtual bus, and saving a window as a picture.
#include <QWidget>

#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "sim/VirtualUsbfs.h"
#include "usb/UUSB.h"

inline std::shared_ptr<VirtualBoard> PlugScreenshotBoard()
{
    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    auto board = std::make_shared<VirtualBoard>(config);
    SelUsbPortId = static_cast<uint8_t>(VirtualUsbfs::Instance().Plug(board));
    return board;
}

inline void SaveScreenshot(QWidget& window, const std::filesystem::path& file)
{
    if (!window.grab().save(QString::fromStdString(file.string())))
        throw std::runtime_error("cannot write " + file.string());
    std::cout << file.string() << "\n";
}
