#pragma once
// The keyer window created after the real main window, as the program does,
// against the virtual board; its timer is driven by calling the tick.
#include <QColor>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "mept/U_MEPT.h"

class MeptTest : public AppTest {
protected:
    void TearDown() override;

    // The main window started online at 10 MHz (spacing 1 Hz, multiplier 1,
    // offset 0), then the keyer; the board's log cleared.
    TF_MEPT& OpenOnline();
    TF_MEPT& OpenKeyer();

    void SetCode(const char* code) { Keyer->EditCode->setText(code); }
    // Presses or releases Transmit as the operator does.
    void ClickTransmit();
    // The code in the field, Transmit pressed, then the timer's first ticks.
    void Transmit(const char* code, int ticks = 0);
    // The timer's ticks, as the timer would run them.
    void Tick(int times = 1);

    // Si570 frequencies (Hz) the board received, in order.
    std::vector<double> SentFrequencies() const;
    double BoardOutputHz() const { return Board->OutputMHz() * 1e6; }
    // What the board puts out for a Si570 frequency the program sent, in Hz.
    double BoardOutputFor(double si570Hz) const { return si570Hz * Board->Settings().TrueXtalMHz / FxtalMHz; }
    QColor Pixel(int x, int y) const { return Keyer->Image->Canvas().pixelColor(x, y); }

    std::unique_ptr<TF_MEPT> Keyer;
};

// Colours in failure messages as #rrggbb.
inline void PrintTo(const QColor& colour, std::ostream* os)
{
    *os << colour.name().toStdString();
}

// The Si570 frequency (Hz) a register block stands for, with the crystal the
// program believes in.
double RegisterFrequency(const std::vector<uint8_t>& registers);
