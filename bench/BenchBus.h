#pragma once
// The virtual bus the device benchmarks run on.
#include <memory>
#include <string>

#include "sim/VirtualUsbfs.h"

// A fresh bus with (devices - 1) devices of another vendor and one board that
// does not record its transfers (the log would allocate); returns the board.
inline std::shared_ptr<VirtualBoard> PlugBoardAmong(int devices, std::u16string serial = u"")
{
    VirtualUsbfs& fs = VirtualUsbfs::Instance();
    fs.Clear();
    VirtualBoard::Config other;
    other.Firmware = false;
    other.Vid = 0x1234;
    for (int i = 1; i < devices; ++i) {
        other.Pid = static_cast<uint16_t>(i);
        fs.Plug(std::make_shared<VirtualBoard>(other));
    }
    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    config.Serial = std::move(serial);
    auto board = std::make_shared<VirtualBoard>(config);
    board->Recording = false;
    fs.Plug(board);
    return board;
}
