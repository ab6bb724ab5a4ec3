#pragma once
// A handle on the chosen board that a long-running sender keeps open (FSK
// keying, a beacon), so its transfers go out without a walk of the buses
// each. While the board stays, the handle stays. When a transfer finds the
// board gone, the handle is closed and the chosen board looked for once more:
// a board that is back (replugged, under its new device number) takes the
// transfer on a fresh handle; otherwise the next transfer looks again. No Qt.
#include <usb.h>

#include <cerrno>

#include "usb/ChosenBoard.h"
#include "usb/UUSB.h"

class TKeptBoard {
public:
    // The handle lives in `handle`, so a sender with a named handle (the FSK
    // keying's PersistentHandle) keeps its name for it.
    explicit TKeptBoard(usb_dev_handle*& handle) : handle_(handle) {}
    TKeptBoard() : handle_(own_) {}
    TKeptBoard(const TKeptBoard&) = delete;
    TKeptBoard& operator=(const TKeptBoard&) = delete;
    ~TKeptBoard() { Close(); }

    // Opens the chosen board unless a handle is kept; false when it is absent.
    // Raises the warnings of OpenDevice.
    bool Open() { return handle_ || OpenSelectedDevice(handle_); }
    void Close()
    {
        if (handle_)
            usb_close(handle_);
        handle_ = nullptr;
    }
    bool IsOpen() const { return handle_ != nullptr; }

    // Runs one transfer (called with the handle, returning the library's
    // result) and returns its result; -ENODEV when the board is not there.
    template <typename Transfer>
    int Run(Transfer&& transfer)
    {
        if (!Open())
            return -ENODEV;
        const int result = transfer(handle_);
        if (result != -ENODEV)
            return result;
        Close();
        NoteChosenGone();
        if (!Open())
            return -ENODEV;
        return transfer(handle_);
    }

private:
    usb_dev_handle* own_ = nullptr;
    usb_dev_handle*& handle_;
};

// The handle FSK keying keeps (PersistentHandle).
inline TKeptBoard PersistentBoard{PersistentHandle};
