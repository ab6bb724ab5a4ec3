#pragma once
// Window layouts are drawn in pixels at a design resolution; on screen they
// are scaled to the screen's logical resolution so fonts and controls keep
// their proportions. A control's edges are scaled, not its width, so
// controls that touch in the design touch on screen, at any scale.
#include <QFont>
#include <QSize>

class QWidget;

class TDesignScale {
public:
    TDesignScale(const QWidget& window, double designPpi);

    int operator()(int designPixels) const;
    void Place(QWidget* control, int left, int top, int width, int height) const;
    // As Place, but never narrower or lower than the control's text needs:
    // the design's text widths are those of its own font.
    void PlaceFitting(QWidget* control, int left, int top, int width, int height) const;
    // As PlaceFitting, and pushed right, when a larger font widened the
    // controls before it, to `gap` design pixels right of `after`'s right edge.
    void PlaceFittingAfter(const QWidget* after, int gap, QWidget* control, int left, int top, int width,
                           int height) const;
    // The screen position `gap` design pixels right of a control.
    int RightOf(const QWidget* control, int gap) const;

private:
    double factor_;
};

// The system's sans-serif face at the given size.
QFont SansSerifFont(double points, bool bold = false);

// The room a window has on its screen, without its frame.
QSize ScreenRoom(const QWidget& window);

// Keeps a window within the free area of its screen: smaller when it is
// larger than that area, moved when it would reach beyond it. The frame the
// window manager adds is allowed for once it is known (after the first show).
void FitOnScreen(QWidget& window);
