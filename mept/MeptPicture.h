#pragma once
// The keyer's picture: a black canvas the symbols are drawn on as lines.
#include <QImage>
#include <QWidget>

#include "mept/MeptCode.h"

class TMeptPicture : public QWidget {
public:
    using QWidget::QWidget;

    // A new height empties the canvas; it is drawn again by the caller.
    void SetHeight(int height);
    // Black inside, outlined in green with the pen's previous width.
    void Clear(int outlineWidth);
    // A line beyond the right edge is cut there.
    void DrawLine(const TMeptLine& line);

    const QImage& Canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage canvas_;
};
