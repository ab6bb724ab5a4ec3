// The two firmware layouts, row by row as the editors' grids list them.
#include <cstdio>

#include "memory/EepromFields.h"

namespace {

// Rows 1 to 5 of both layouts; they differ only in how they name byte 0x06.
TEepromRows FirstRows(const TEepromField& restoreFlag)
{
    return {
        {"[0x00] AVR RC oscillator calibration", 0x00, 1, 2},
        {"[0x01] Crystal calibration status: 0xFF = uncalibrated, 0x00 = calibrated", 0x01, 1, 2},
        {"[0x02 - 0x05] Crystal calibration value (4 bytes)", 0x02, 4, 8},
        restoreFlag,
        {"[0x07 - 0x0C] Frequency to restore on init, if [0x06] is not set to 0xFF  (6 bytes)", 0x07, 6, 12},
    };
}

std::string Format(const char* pattern, int a, int b = 0)
{
    char text[96];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

TEepromRows MakeStandardRows()
{
    TEepromRows rows =
        FirstRows({"[0x06] Restore last frequency (I2C address of Si570 if restore is selected)", 0x06, 1, 2});
    rows.push_back({"[0x0D] SI570 I2C address, LCD mode", 0x0D, 1, 2});
    rows.push_back({"[0xFF] Safety Flag: If not 0xFF, InitVars will not be executed upon power-up", 0xFF, 1, 2});
    for (int n = 0; n < 16; ++n) {
        const int slot = 0x100 + 16 * n;
        const std::string N = std::to_string(n);
        rows.push_back({Format("[0x1%X0 - 0x1%X3] Frequency ", n, n) + N + " [Hz]", slot, 4, 8});
        rows.push_back({Format("[0x1%X4 - 0x1%X7] Offset ", n, n) + N + " [Hz]", slot + 4, 4, 8});
        rows.push_back({Format("[0x1%X8] Multiplier ", n) + N, slot + 8, 1, 2});
        rows.push_back({Format("[0x1%X9] Divider ", n) + N, slot + 9, 1, 2});
        rows.push_back({Format("[0x1%XA] ", n) + N + " available if not 0xFF", slot + 10, 1, 2});
    }
    return rows;
}

TEepromRows MakeFilterBoardRows()
{
    TEepromRows rows =
        FirstRows({"[0x06] I2C address of Si570 which enables to restore latest frequency", 0x06, 1, 2});
    rows.insert(rows.end(), {
        {"[0x0F] Speed grade, 1: A, 2: B, else C", 0x0F, 1, 2},
        {"[0x10] I2C address of SI570 to be used for all other communication", 0x10, 1, 2},
        {"[0x11] Multiplier for VFO frequency scaling", 0x11, 1, 2},
        {"[0x12] Divider for VFO frequency scaling", 0x12, 1, 2},
        {"[0x13 - 0x16] VFO frequency offset in Hz", 0x13, 4, 8},
        {"[0x40] Number of Band Pass filters supported by the hardware", 0x40, 1, 2},
    });
    for (int i = 0; i < 9; ++i)
        for (const int edge : {0, 1}) {
            const int address = 0x41 + 8 * i + 4 * edge;
            rows.push_back({Format("[0x%02X - 0x%02X] ", address, address + 3) + (edge ? "Upper" : "Lower") +
                                " limit of band pass filter " + std::to_string(i + 1) + " in Hz (4 bytes)",
                            address, 4, 0});
        }
    return rows;
}

}  // namespace

const TEepromRows& StandardEepromRows()
{
    static const TEepromRows rows = MakeStandardRows();
    return rows;
}

const TEepromRows& FilterBoardEepromRows()
{
    static const TEepromRows rows = MakeFilterBoardRows();
    return rows;
}
