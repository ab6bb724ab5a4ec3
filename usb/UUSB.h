#pragma once
// Opening the synthesizer board through libusb 0.1: the board identity that
// every operation opens, the bus walk that finds it, and the handle kept open
// for FSK keying. No Qt here.
#include <usb.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/Errors.h"

// The manufacturer string the board reports; set when configuring the build.
#ifndef QUORVEX_BOARD_MANUFACTURER
#error "QUORVEX_BOARD_MANUFACTURER must be defined by the build"
#endif

// Board identity: what every operation opens.
inline int SelVid = 0x16C0;
inline int SelPid = 0x05DC;
inline std::string SelManufacturer = QUORVEX_BOARD_MANUFACTURER;
inline std::string SelProduct = "VELNOR-I2C";
inline uint8_t SelUsbPortId = 1;
inline bool UsbInitDone = false;
inline usb_dev_handle* PersistentHandle = nullptr;

constexpr unsigned VendorTimeoutMs = 5000;
constexpr unsigned StringTimeoutMs = 1000;
constexpr int LangIdEnglish = 0x0409;

bool IsKnownVendorId(int vid);

// The last bus walk met a board of a known vendor that this user may not use,
// so "not found" says why.
inline bool DeniedBoardSeen = false;
// The library's text for the first such board of the last enumeration, with
// the cause and the fix (LibraryErrorText).
inline std::string DeniedBoardReason;

// The library's text for a failed call, with the cause and the fix added when
// the failure is a missing permission (result -EPERM or -EACCES): the board is
// there, but the user may not drive it.
std::string LibraryErrorText(int result);

// Reads a string descriptor and keeps the low byte of each UTF-16 unit ('?'
// where the high byte is set). Returns the characters stored, 0 for a reply
// that is not a string descriptor, or the library's negative error code.
// Buffer receives at most BufSize characters and a terminating zero, so it
// must hold BufSize + 1 bytes.
int GetStringDescriptorAscii(usb_dev_handle* Handle, int Index, int LangId, char* Buffer, int BufSize);

// Finds and opens the device; on success Handle belongs to the caller. Raises
// UsbError ("Warning: cannot ...") when a device with the wanted IDs cannot be
// opened or queried.
bool OpenDevice(usb_dev_handle*& Handle, int Vid, int Pid, std::optional<std::string_view> Manufacturer,
                std::optional<std::string_view> Product, int UsbPortId);

// OpenDevice with the board identity.
bool OpenSelectedDevice(usb_dev_handle*& Handle);

bool OpenPersistent(bool Open);

// "Could not find USB device "VELNOR-I2C" with vid=$16C0 and pid=$5DC !"; the
// flasher's block readers use the text without the quotes.
class DeviceNotFoundError : public UsbError {
public:
    explicit DeviceNotFoundError(bool quoted = true);
};

// A control transfer that failed or came back short: "<what> failed at
// <where>: <reason>", the reason being the library's text or what was missing.
class TransferError : public UsbError {
public:
    TransferError(const std::string& where, std::string reason)
        : UsbError(where + ": " + reason), reason_(std::move(reason)) {}
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};
