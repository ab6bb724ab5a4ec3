#include "app/DesignLayout.h"

#include <QFontDatabase>
#include <QWidget>

#include <algorithm>

TDesignScale::TDesignScale(const QWidget& window, double designPpi) : factor_(window.logicalDpiY() / designPpi) {}

int TDesignScale::operator()(int designPixels) const
{
    return qRound(designPixels * factor_);
}

void TDesignScale::Place(QWidget* control, int left, int top, int width, int height) const
{
    control->setGeometry((*this)(left), (*this)(top), (*this)(width), (*this)(height));
}

void TDesignScale::PlaceFitting(QWidget* control, int left, int top, int width, int height) const
{
    const QSize needed = control->sizeHint();
    control->setGeometry((*this)(left), (*this)(top), std::max((*this)(width), needed.width()),
                         std::max((*this)(height), needed.height()));
}

QFont SansSerifFont(double points, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
