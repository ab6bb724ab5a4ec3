#include "usb/FlashCommands.h"

#include <algorithm>

#include "usb/Transfers.h"

namespace {

enum Request : int {
    ReqFlashableStart = 0xEF,
    ReqFlashBlock = 0xEE,
    ReqBeginProgramming = 0xFE,
    ReqEndProgramming1 = 0xEC,
    ReqEndProgramming2 = 0xED,
};
constexpr int WriteBlock = 0x00FF;
constexpr int ReadBackBlock = 0x00EE;
constexpr int LastBlockMark = 0xFFFF;

char* Bytes(TFlashBlock& block)
{
    return reinterpret_cast<char*>(block.data());
}

// A request whose 64-byte reply is not used: only an error ends the work.
void Request64(usb_dev_handle* h, int request, int value, int index, const TransferSite& site)
{
    TFlashBlock ignored{};
    CheckTransfer(usb_control_msg(h, VendorIn, request, value, index, Bytes(ignored), FlashBlockSize, VendorTimeoutMs),
                  0, site);
}

}  // namespace

uint16_t ReadFlashableStart()
{
    unsigned char reply[2] = {0, 0};
    if (!WithBoard([&](usb_dev_handle* h) {
            CheckTransfer(usb_control_msg(h, VendorIn, ReqFlashableStart, 0, 0, reinterpret_cast<char*>(reply),
                                          sizeof reply, VendorTimeoutMs),
                          sizeof reply, {"Asking for the flashable start", TransferSite::Plain, 0});
        }))
        throw DeviceNotFoundError();
    return static_cast<uint16_t>(reply[0] | reply[1] << 8);
}

void ReadFlashBlocks(int count, const std::function<void(int address, const TFlashBlock& block)>& onBlock)
{
    if (!WithBoard([&](usb_dev_handle* h) {
            for (int k = 0; k < count; ++k) {
                const int address = k * FlashBlockSize;
                TFlashBlock block;
                block.fill(0xFF);
                CheckTransfer(usb_control_msg(h, VendorIn, ReqFlashBlock, 0, address, Bytes(block), FlashBlockSize,
                                              VendorTimeoutMs),
                              FlashBlockSize, {"Reading flash", TransferSite::FlashAddress, address});
                onBlock(address, block);
            }
        }))
        throw DeviceNotFoundError(false);
}

void ProgramFlash(std::span<const uint8_t> image, int start, const std::function<void(int address)>& beforeBlock)
{
    const int length = static_cast<int>(image.size());
    if (start < 0 || start >= length)
        return;
    if (!WithBoard([&](usb_dev_handle* h) {
            Request64(h, ReqBeginProgramming, 0, 0, {"Starting to flash", TransferSite::Plain, 0});
            int address = start;
            for (;;) {
                TFlashBlock block;
                block.fill(0xFF);
                const int inImage = std::min(FlashBlockSize, length - address);
                std::copy_n(image.begin() + address, inImage, block.begin());
                beforeBlock(address);
                const TransferSite site{"Flashing", TransferSite::FlashAddress, address};
                CheckTransfer(usb_control_msg(h, VendorOut, ReqFlashBlock, WriteBlock, address, Bytes(block),
                                              FlashBlockSize, VendorTimeoutMs),
                              0, site);
                // The firmware answers with the block; it is not compared.
                CheckTransfer(usb_control_msg(h, VendorIn, ReqFlashBlock, ReadBackBlock, address, Bytes(block),
                                              FlashBlockSize, VendorTimeoutMs),
                              0, site);
                if (address + FlashBlockSize >= length)
                    break;
                address += FlashBlockSize;
            }
            const TransferSite finish{"Finishing the flash", TransferSite::FlashAddress, address};
            Request64(h, ReqEndProgramming1, LastBlockMark, address, finish);
            Request64(h, ReqEndProgramming2, LastBlockMark, address, finish);
        }))
        throw DeviceNotFoundError();
}
