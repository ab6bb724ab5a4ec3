#include "support/StatusText.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QUrl>
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
        // Narrower still: the words before the name give way, the name stays.
        const QString words = metrics.elidedText(all.left(all.size() - name.size()), Qt::ElideRight,
                                                 room - metrics.horizontalAdvance(name));
        if (!words.isEmpty())
            return words + name;
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

void TStatusText::contextMenuEvent(QContextMenuEvent* event)
{
    if (text().isEmpty())
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString all = text();
    menu->addAction("&Copy", this, [all] { QGuiApplication::clipboard()->setText(all); });
    const QString folder = QFileInfo(Path()).absolutePath();
    if (!Path().isEmpty() && QFileInfo(folder).isDir())
        menu->addAction("&Open Containing Folder", this,
                        [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    menu->popup(event->globalPos());
}
