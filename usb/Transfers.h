#pragma once
// What every board operation of the device link shares: the request types,
// the check of each transfer's result, and the open-per-request pattern.
#include <usb.h>

#include <string>

#include "usb/ChosenBoard.h"
#include "usb/UUSB.h"

constexpr int VendorIn = USB_TYPE_VENDOR | USB_RECIP_DEVICE | USB_ENDPOINT_IN;  // 0xC0
constexpr int VendorOut = USB_TYPE_VENDOR | USB_RECIP_DEVICE | USB_ENDPOINT_OUT;  // 0x40

// Where a transfer went, for the text of the error that reports it. Formatted
// only when a transfer failed, so the transfers themselves cost nothing extra.
struct TransferSite {
    const char* What;  // "Writing EEPROM", ...
    enum { Plain, EepromAddress, FlashAddress, SiAddress } Where;
    int At;
};

// Raises the TransferError of a result below `wanted`: a negative one with the
// library's text (read at once: the next failure replaces it), a short read
// with what arrived.
[[noreturn]] void TransferFailed(const TransferSite& site, int got, int wanted);

inline void CheckTransfer(int got, int wanted, const TransferSite& site)
{
    if (got < wanted) [[unlikely]]
        TransferFailed(site, got, wanted);
}

// Sends the wanted frequency to a board found again (it restarted and makes
// its start-up frequency), before the operation that found it does anything.
// False when there was nothing to send.
bool RestoreOwedFrequency(usb_dev_handle* handle);

// The open-per-request pattern: open the selected board, run the transfers,
// close. Returns false without a transfer when the board is absent. A failed
// transfer raises; the board is closed before the error leaves. An operation
// that sets the frequency itself passes restore false.
template <typename Transfers> bool WithBoard(Transfers&& transfers, bool restore = true)
{
    usb_init();
    usb_dev_handle* handle = nullptr;
    if (!OpenSelectedDevice(handle))
        return false;
    try {
        if (restore && ChosenBoard.FrequencyOwed) [[unlikely]]
            RestoreOwedFrequency(handle);
        transfers(handle);
    } catch (...) {
        usb_close(handle);
        throw;
    }
    usb_close(handle);
    return true;
}
