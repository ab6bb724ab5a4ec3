#pragma once
// The faults the virtual usbfs can put between the program and a board, as a
// table for tests that run every operation under each of them.
#include <cerrno>

#include "sim/VirtualUsbfs.h"

enum class Fault { NoBoard, Errno, ShortRead, GoneBefore, GoneMidway, ReadOnly, CannotOpen };

struct FaultCase {
    const char* Name;
    Fault Kind;
    int Errno;
    const char* LibraryText;  // the library's words for the errno a transfer gets
};

inline constexpr FaultCase UsbfsFaults[] = {
    {"no board", Fault::NoBoard, 0, nullptr},
    {"stall", Fault::Errno, EPIPE, "Broken pipe"},
    {"timeout", Fault::Errno, ETIMEDOUT, "Connection timed out"},
    {"protocol error", Fault::Errno, EPROTO, "Protocol error"},
    {"short read", Fault::ShortRead, 0, nullptr},
    {"unplugged before", Fault::GoneBefore, 0, nullptr},
    {"unplugged midway", Fault::GoneMidway, 0, "No such device"},
    {"read-only device file", Fault::ReadOnly, 0, nullptr},
    {"device file cannot be opened", Fault::CannotOpen, 0, nullptr},
};

// Arms the fault on a plugged board. A transfer fault hits every vendor
// transfer; midway the board leaves the bus after that many vendor transfers.
// A board that was never there is the caller's to arrange (it is unplugged
// here, the same to the device link).
inline void InjectFault(VirtualUsbfs& fs, VirtualBoard& board, const FaultCase& f, int midway)
{
    switch (f.Kind) {
    case Fault::Errno:
        board.FailAfter = 0;
        board.FailAfterErrno = f.Errno;
        break;
    case Fault::ShortRead:
        board.ShortBy = 1;
        break;
    case Fault::NoBoard:
    case Fault::GoneBefore:
        fs.Unplug(board);
        break;
    case Fault::GoneMidway:
        fs.UnplugAfter(board, midway);
        break;
    case Fault::ReadOnly:
        fs.SetReadOnly(board, true);
        break;
    case Fault::CannotOpen:
        fs.FailOpen(board, EBUSY);
        break;
    }
}

// The faults cleared: the board back on the bus, sound again.
inline void HealBoard(VirtualUsbfs& fs, const std::shared_ptr<VirtualBoard>& board)
{
    board->FailAfter = -1;
    board->FailAfterErrno = EPIPE;
    board->ShortBy = 0;
    if (!fs.IsPlugged(*board)) {
        fs.Plug(board);
        return;
    }
    fs.SetReadOnly(*board, false);
    fs.FailOpen(*board, 0);
    fs.UnplugAfter(*board, -1);
}
