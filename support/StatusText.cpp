#include "support/StatusText.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

QString TStatusText::Path() const
{
    const QString all = text();
    if (all.startsWith('/'))
        return all;
    const qsizetype start = all.indexOf(" /");
    return start < 0 ? QString() : all.mid(start + 1);
}

int TStatusText::Room() const
{
    return contentsRect().width() - 2 * margin() - std::max(0, indent());
}

QString TStatusText::ShownText() const
{
    const QString all = text();
    const QFontMetrics metrics = fontMetrics();
    const int room = Room();
    if (metrics.horizontalAdvance(all) <= room)
        return all;
    const QString path = Path();
    if (!path.isEmpty()) {
        const QString before = all.left(all.size() - path.size());
        const qsizetype slash = path.lastIndexOf('/');
        const QString name = path.mid(slash + 1);
        const int folderRoom = room - metrics.horizontalAdvance(before) - metrics.horizontalAdvance(name);
        const QString folder = metrics.elidedText(path.left(slash + 1), Qt::ElideMiddle, folderRoom);
        if (!folder.isEmpty())
            return before + folder + name;
    }
    return metrics.elidedText(all, Qt::ElideRight, room);
}

QString TStatusText::ToolTipText() const
{
    return ShownText() == text() ? toolTip() : text();
}

QSize TStatusText::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QChar(0x2026)), QLabel::minimumSizeHint().height()};
}

bool TStatusText::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && ShownText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

void TStatusText::paintEvent(QPaintEvent* event)
{
    const QString shown = ShownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin() + std::max(0, indent()), margin(), -margin(), -margin());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}
