#include "wspr/WsprPicture.h"

#include <QPainter>

void TWsprPicture::SetSymbols(const std::array<uint8_t, 162>& symbols)
{
    symbols_ = symbols;
    update();
}

void TWsprPicture::SetSent(int lastSent)
{
    if (lastSent == lastSent_)
        return;
    lastSent_ = lastSent;
    update();
}

void TWsprPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const double step = static_cast<double>(width()) / static_cast<double>(symbols_.size());
    const double level = (height() - 4) / 4.0;
    for (size_t k = 0; k < symbols_.size(); ++k) {
        const double y = height() - 2 - level * (symbols_[k] + 1);
        const QColor colour = static_cast<int>(k) <= lastSent_ ? QColor(0, 255, 0) : QColor(110, 110, 110);
        p.fillRect(QRectF(step * static_cast<double>(k), y, std::max(step, 1.0), level * 0.6), colour);
    }
}
