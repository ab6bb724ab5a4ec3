#pragma once
// A small picture of a transmission's 162 tones: one step per symbol at the
// height of its tone, the symbols sent so far in green, the rest in grey.
#include <QWidget>

#include <array>
#include <cstdint>

class TWsprPicture : public QWidget {
public:
    using QWidget::QWidget;

    void SetSymbols(const std::array<uint8_t, 162>& symbols);
    // How many symbols are sent (-1: none drawn as sent).
    void SetSent(int lastSent);
    int LastSent() const { return lastSent_; }
    const std::array<uint8_t, 162>& Symbols() const { return symbols_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<uint8_t, 162> symbols_{};
    int lastSent_ = -1;
};
