#include "usb/Transfers.h"

#include <cerrno>
#include <cstdio>

#include "support/NumberText.h"

namespace {

std::string Describe(const TransferSite& site)
{
    char where[40] = "";
    const auto at = static_cast<unsigned>(site.At);
    if (site.Where == TransferSite::EepromAddress)
        std::snprintf(where, sizeof where, " at address 0x%03X", at);
    else if (site.Where == TransferSite::FlashAddress)
        std::snprintf(where, sizeof where, " at address 0x%04X", at);
    else if (site.Where == TransferSite::SiAddress)
        std::snprintf(where, sizeof where, " at I2C address 0x%02X", at);
    return std::string(site.What) + " failed" + where;
}

}  // namespace

void TransferFailed(const TransferSite& site, int got, int wanted)
{
    if (got == -ENODEV)
        NoteChosenGone();
    if (got < 0)
        throw TransferError(Describe(site), LibraryErrorText(got));
    throw TransferError(Describe(site),
                        "the board sent " + std::to_string(got) + " of " + CountText(wanted, "byte"));
}
