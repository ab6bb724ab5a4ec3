#include "usb/BoardSession.h"

#include "usb/SynthCommands.h"

bool TBoardSession::SetFrequency(double frequencyHz)
{
    return ::SetFrequency(frequencyHz, board_);
}

TRegisterBlock TBoardSession::ReadRegisters()
{
    const TRegisterBlock block = ReadSi570Registers(board_);
    // Read from a board that has just restarted: what it makes once it has its frequency back.
    return SettleOwed() ? ReadSi570Registers(board_) : block;
}

uint8_t TBoardSession::ReadKey()
{
    const uint8_t key = ReadKeyByte(board_);
    SettleOwed();
    return key;
}

bool TBoardSession::SettleOwed()
{
    if (!ChosenBoard.FrequencyOwed)
        return false;
    ChosenBoard.FrequencyOwed = false;
    return WantedFrequencyHz && ::SetFrequency(*WantedFrequencyHz, board_);
}
