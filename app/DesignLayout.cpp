#include "app/DesignLayout.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

TDesignScale::TDesignScale(const QWidget& window, double designPpi) : factor_(window.logicalDpiY() / designPpi) {}

int TDesignScale::operator()(int designPixels) const
{
    return qRound(designPixels * factor_);
}

void TDesignScale::Place(QWidget* control, int left, int top, int width, int height) const
{
    const int x = (*this)(left);
    const int y = (*this)(top);
    control->setGeometry(x, y, (*this)(left + width) - x, (*this)(top + height) - y);
}

void TDesignScale::PlaceFitting(QWidget* control, int left, int top, int width, int height) const
{
    Place(control, left, top, width, height);
    const QSize needed = control->sizeHint();
    control->resize(std::max(control->width(), needed.width()), std::max(control->height(), needed.height()));
}

void TDesignScale::PlaceFittingAfter(const QWidget* after, int gap, QWidget* control, int left, int top, int width,
                                     int height) const
{
    PlaceFitting(control, left, top, width, height);
    control->move(std::max(control->x(), RightOf(after, gap)), control->y());
}

int TDesignScale::RightOf(const QWidget* control, int gap) const
{
    return control->geometry().right() + 1 + (*this)(gap);
}

QFont SansSerifFont(double points, bool bold)
{
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Before the first show the frame is not known yet: a title bar and thin borders.
QSize FrameOf(const QWidget& window)
{
    const QSize frame = window.frameGeometry().size() - window.size();
    if (window.testAttribute(Qt::WA_WState_Created) && window.isVisible())
        return frame;
    return {8, window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window) + 8};
}

QSize ScreenRoom(const QWidget& window)
{
    const QScreen* screen = window.screen();
    return screen ? screen->availableGeometry().size() - FrameOf(window) : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void FitOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = FrameOf(window);
    const QSize room = area.size() - frame;
    if (window.width() > room.width() || window.height() > room.height())
        window.resize(window.size().boundedTo(room));
    const QSize outer = window.size() + frame;
    const QPoint at(std::clamp(window.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
                    std::clamp(window.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    if (at != window.pos())
        window.move(at);
}
