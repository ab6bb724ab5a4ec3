#pragma once
// The EEPROM editor for the standard firmware: the whole 512-byte image.
#include "memory/EepromEditor.h"

class TFormEEPROM : public TEepromEditor {
    Q_OBJECT

public:
    explicit TFormEEPROM(QWidget* parent = nullptr);
};

inline TFormEEPROM* FormEEPROM = nullptr;
