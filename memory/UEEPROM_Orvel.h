#pragma once
// The EEPROM editor for the filter-board firmware: its settings and filter
// table live in the lower 256 bytes, which are all it clears, lists, saves
// and loads; a write still sends the whole image.
#include "memory/EepromEditor.h"

class TFormEEPROM_Orvel : public TEepromEditor {
    Q_OBJECT

public:
    explicit TFormEEPROM_Orvel(QWidget* parent = nullptr);
};

inline TFormEEPROM_Orvel* FormEEPROM_Orvel = nullptr;
