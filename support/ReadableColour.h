#pragma once
// Coloured text that stays readable on the palette the desktop gives, light
// or dark: the wanted colour when it reads well enough, else the nearest
// lighter or darker shade of it that does.
#include <QColor>
#include <QPalette>

class QWidget;

// The WCAG contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// Text needs 4.5:1 to read well at ordinary sizes.
constexpr double ReadableContrast = 4.5;

// wanted itself when it reads on background, else wanted mixed with white
// (on a dark background) or black (on a light one) until it does.
QColor ReadableOn(const QColor& wanted, const QColor& background);

// Gives a control's text role the wanted colour, readable on its background
// role, and keeps it readable when the palette changes. An invalid colour
// gives the text back to the desktop's palette.
void SetReadableTextColour(QWidget* control, QPalette::ColorRole text, QPalette::ColorRole background,
                           const QColor& wanted);
