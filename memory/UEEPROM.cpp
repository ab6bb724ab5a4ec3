#include "memory/UEEPROM.h"

TFormEEPROM::TFormEEPROM(QWidget* parent)
    : TEepromEditor({.Rows = &StandardEepromRows(), .OwnBytes = EepromBytes, .Width = 696, .Height = 609}, parent)
{
}
