#include "mept/MeptPicture.h"

#include <QPainter>

namespace {

const QColor Green(0, 255, 0);

}  // namespace

void TMeptPicture::SetHeight(int height)
{
    resize(width(), height);
}

void TMeptPicture::resizeEvent(QResizeEvent*)
{
    if (canvas_.size() == size())
        return;
    canvas_ = QImage(size(), QImage::Format_RGB32);
    canvas_.fill(Qt::black);
}

void TMeptPicture::Clear(int outlineWidth)
{
    if (canvas_.size() != size())
        canvas_ = QImage(size(), QImage::Format_RGB32);
    canvas_.fill(Qt::black);
    QPainter painter(&canvas_);
    painter.setPen(QPen(Green, outlineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::black);
    painter.drawRect(canvas_.rect().adjusted(0, 0, -1, -1));
    update();
}

void TMeptPicture::DrawLine(const TMeptLine& line)
{
    // The pen is centred on the line, as wide as one symbol value.
    const QRect band(line.X1, line.Y - line.Width / 2, line.X2 - line.X1, line.Width);
    QPainter painter(&canvas_);
    painter.fillRect(band.intersected(canvas_.rect()), line.Red ? QColor(Qt::red) : Green);
    update();
}

void TMeptPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_);
}
