#pragma once
// A filled circle with a thin black outline: the main window's online light.
#include <QColor>
#include <QWidget>

class TShape : public QWidget {
public:
    using QWidget::QWidget;

    QColor BrushColor() const { return brush_; }
    void SetBrushColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor brush_ = Qt::white;
};
