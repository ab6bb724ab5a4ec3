#pragma once
// Window layouts are drawn in pixels at a design resolution; on screen they
// are scaled to the screen's logical resolution so fonts and controls keep
// their proportions.
#include <QFont>

class QWidget;

class TDesignScale {
public:
    TDesignScale(const QWidget& window, double designPpi);

    int operator()(int designPixels) const;
    void Place(QWidget* control, int left, int top, int width, int height) const;
    // As Place, but never narrower or lower than the control's text needs:
    // the design's text widths are those of its own font.
    void PlaceFitting(QWidget* control, int left, int top, int width, int height) const;

private:
    double factor_;
};

// The system's sans-serif face at the given size.
QFont SansSerifFont(double points, bool bold = false);
