#include "memory/UEEPROM_Orvel.h"

TFormEEPROM_Orvel::TFormEEPROM_Orvel(QWidget* parent)
    : TEepromEditor({.Rows = &FilterBoardEepromRows(), .OwnBytes = 256, .Width = 696, .Height = 716}, parent)
{
}
