#include "usb/ChosenBoard.h"

#include <algorithm>

#include "usb/DeviceList.h"
#include "usb/UUSB.h"

bool SerialNamesABoard(const std::string& serial)
{
    return !serial.empty() && serial != "NONE";
}

bool SerialNamesChosenBoard()
{
    return SerialNamesABoard(SelSerial) && !ChosenBoard.SerialShared;
}

TSerialVerdict FindBySerial(std::span<const std::string> serials, const std::string& serial)
{
    if (!SerialNamesABoard(serial) || ChosenBoard.SerialShared)
        return {};
    const auto first = std::find(serials.begin(), serials.end(), serial);
    if (first == serials.end())
        return {TSerialVerdict::Absent, -1};
    if (std::find(first + 1, serials.end(), serial) != serials.end()) {
        ChosenBoard.SerialShared = true;
        return {};
    }
    return {TSerialVerdict::Found, static_cast<int>(first - serials.begin())};
}

void NoteChosenFound(int devNum, bool ambiguous)
{
    const TBoardPresence was = ChosenBoard.Presence;
    const bool lost = was == TBoardPresence::Absent || was == TBoardPresence::OtherPresent;
    if (lost || (was == TBoardPresence::Present && devNum != SelUsbPortId))
        ChosenBoard.FrequencyOwed = true;
    ChosenBoard.Presence = TBoardPresence::Present;
    ChosenBoard.Ambiguous = ambiguous;
}

void NoteChosenMissing(bool otherPresent)
{
    ChosenBoard.Presence = otherPresent ? TBoardPresence::OtherPresent : TBoardPresence::Absent;
    ChosenBoard.Ambiguous = false;
}

void NoteChosenGone()
{
    ChosenBoard.Presence = TBoardPresence::Absent;
}

void ForgetChosenBoard()
{
    ChosenBoard = {};
}

bool IsSerialPlace(const char* bus, int devNum)
{
    return ChosenBoard.SerialSeenDevNum == devNum && ChosenBoard.SerialSeenBus == bus;
}

void EndWalk(bool sawSerialPlace)
{
    if (!sawSerialPlace) {
        ChosenBoard.SerialSeenBus.clear();
        ChosenBoard.SerialSeenDevNum = 0;
        ChosenBoard.SerialSeen.clear();
    }
}

std::string OtherBoardText()
{
    return "The chosen board (serial " + SelSerial + ") is not connected, but another board is present.";
}
