#include "LayoutCheck.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTextBlock>

#include <algorithm>
#include <functional>

#include "app/UQuorvex.h"
#include "setup/USetUp.h"
#include "support/ReadableColour.h"
#include "support/StatusText.h"

namespace {

// Room a view leaves between a cell's edge and its text.
constexpr int CellMargin = 8;

QString TextOf(const QWidget* w)
{
    const QVariant text = w->property("text");
    return text.isValid() ? text.toString() : QString();
}

std::string Describe(const QWidget* w)
{
    QString text = TextOf(w);
    if (text.size() > 40)
        text = text.left(37) + "...";
    return std::string(w->metaObject()->className()) + " \"" + text.toStdString() + "\"";
}

std::string Size(QSize s)
{
    return std::to_string(s.width()) + "x" + std::to_string(s.height());
}

int Widest(const QFontMetrics& metrics, const QStringList& lines)
{
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// Qt's own parts of a control (a view's viewport and scroll bars, a line
// edit's buttons) are checked as part of the control.
bool Internal(const QWidget* w)
{
    if (w->objectName().startsWith("qt_"))
        return true;
    const QWidget* parent = w->parentWidget();
    return parent && (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QLineEdit*>(parent) ||
                      (qobject_cast<const QAbstractScrollArea*>(parent) &&
                       w != static_cast<const QAbstractScrollArea*>(parent)->viewport()));
}

class Checker {
public:
    Checker(const QWidget& window, const LayoutExceptions& exceptions) : window_(window), exceptions_(exceptions) {}

    std::vector<std::string> Problems;

    void Run()
    {
        CheckOnScreen();
        std::vector<const QWidget*> shown{&window_};
        for (const QWidget* w : window_.findChildren<QWidget*>())
            if (!w->isWindow() && w->isVisibleTo(&window_))
                shown.push_back(w);
        for (const QWidget* w : shown) {
            CheckText(w);
            CheckContrast(w);
            if (w != &window_ && !Internal(w))
                CheckPlace(w, shown);
        }
    }

private:
    void Report(const QWidget* w, const std::string& problem)
    {
        Problems.push_back(Describe(w) + ": " + problem);
    }

    void CheckOnScreen()
    {
        const QScreen* screen = window_.screen();
        if (!screen)
            return;
        if (!screen->availableGeometry().contains(window_.frameGeometry()))
            Report(&window_, "beyond the screen: " + Size(window_.frameGeometry().size()) + " at " +
                                 std::to_string(window_.frameGeometry().x()) + "," +
                                 std::to_string(window_.frameGeometry().y()) + " on " +
                                 Size(screen->availableGeometry().size()));
    }

    void NeedSize(const QWidget* w, QSize needed, QSize has)
    {
        if (has.width() < needed.width() || has.height() < needed.height())
            Report(w, "text cut off: needs " + Size(needed) + ", has " + Size(has));
    }

    void CheckText(const QWidget* w)
    {
        if (const auto* status = qobject_cast<const TStatusText*>(w))
            CheckStatus(status);
        else if (const auto* label = qobject_cast<const QLabel*>(w)) {
            if (!label->text().isEmpty() && !label->wordWrap())
                NeedSize(w, label->sizeHint(), label->size());
        } else if (const auto* button = qobject_cast<const QPushButton*>(w))
            CheckButton(button);
        else if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
            NeedSize(w, w->sizeHint(), w->size());
        else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            if (!Internal(w))
                CheckEdit(edit);
        } else if (const auto* combo = qobject_cast<const QComboBox*>(w))
            CheckCombo(combo);
        else if (const auto* table = qobject_cast<const QTableWidget*>(w))
            CheckTable(table);
        else if (const auto* list = qobject_cast<const QListWidget*>(w))
            CheckList(list);
        else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w))
            CheckPlainText(plain);
    }

    // A status text fits, or is shortened with the whole of it in the
    // tooltip, its beginning in view and the name of a file it names whole.
    void CheckStatus(const TStatusText* status)
    {
        const QString shown = status->ShownText();
        if (status->fontMetrics().horizontalAdvance(shown) > status->contentsRect().width())
            Report(status, "shown text wider than the status line");
        if (status->fontMetrics().height() > status->contentsRect().height())
            Report(status, "text cut off at the bottom");
        if (shown == status->text())
            return;
        if (status->ToolTipText() != status->text())
            Report(status, "shortened without the whole text in its tooltip");
        const QString path = status->Path();
        const QString name = path.mid(path.lastIndexOf('/') + 1);
        if (!path.isEmpty() ? !shown.endsWith(name) : !status->text().startsWith(shown.chopped(1)))
            Report(status, "shortened other than at its end or in its path: \"" + shown.toStdString() + "\"");
    }

    void CheckButton(const QPushButton* button)
    {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        if (button->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        NeedSize(button, text + QSize(4, 0), contents.size());
    }

    void CheckEdit(const QLineEdit* edit)
    {
        const int frame =
            edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
        const QMargins margins = edit->textMargins();
        const QSize room(edit->width() - 2 * frame - margins.left() - margins.right() - 4,
                         edit->height() - 2 * frame - margins.top() - margins.bottom());
        const QFontMetrics metrics = edit->fontMetrics();
        const int width = exceptions_.Scrolls.count(edit) ? 0 : metrics.horizontalAdvance(edit->text());
        NeedSize(edit, QSize(width, metrics.height()), room);
    }

    void CheckCombo(const QComboBox* combo)
    {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.frame = combo->hasFrame();
        option.subControls = QStyle::SC_All;
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        const QFontMetrics metrics = combo->fontMetrics();
        NeedSize(combo, QSize(Widest(metrics, items) + 2, metrics.height()), field.size());
    }

    void CheckList(const QListWidget* list)
    {
        if (exceptions_.Scrolls.count(list))
            return;
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        const int needed = Widest(list->fontMetrics(), lines) + CellMargin;
        if (needed > list->viewport()->width())
            Report(list, "lines cut off: need " + std::to_string(needed) + " px, have " +
                             std::to_string(list->viewport()->width()));
    }

    void CheckPlainText(const QPlainTextEdit* edit)
    {
        QStringList lines;
        for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next())
            lines << block.text();
        const int margin = static_cast<int>(edit->document()->documentMargin());
        const int needed = Widest(edit->fontMetrics(), lines) + 2 * margin;
        if (needed > edit->viewport()->width())
            Report(edit, "lines cut off: need " + std::to_string(needed) + " px, have " +
                             std::to_string(edit->viewport()->width()));
    }

    // A cell's text fits its column, or wraps into its row when the view wraps.
    static bool CellFits(const QTableWidget& table, const QString& text, int width, int height)
    {
        const QFontMetrics metrics = table.fontMetrics();
        if (!table.wordWrap())
            return metrics.horizontalAdvance(text) + CellMargin <= width;
        const QRect wrapped = metrics.boundingRect(QRect(0, 0, width - CellMargin, 1 << 20), Qt::TextWordWrap, text);
        return wrapped.width() <= width - CellMargin && wrapped.height() <= height;
    }

    void CheckTable(const QTableWidget* table)
    {
        const QFontMetrics metrics = table->fontMetrics();
        int total = 0;
        for (int col = 0; col < table->columnCount(); ++col) {
            const int width = table->columnWidth(col);
            total += width;
            if (const QTableWidgetItem* header = table->horizontalHeaderItem(col);
                header && metrics.horizontalAdvance(header->text()) + CellMargin > width)
                Report(table, "header of column " + std::to_string(col) + " cut off");
            for (int row = 0; row < table->rowCount(); ++row) {
                const QTableWidgetItem* cell = table->item(row, col);
                if (cell && !CellFits(*table, cell->text(), width, table->rowHeight(row))) {
                    Report(table, "cell text cut off in column " + std::to_string(col) + ", row " +
                                      std::to_string(row + 1) + ": \"" + cell->text().toStdString() + "\"");
                    break;
                }
            }
        }
        if (total > table->viewport()->width())
            Report(table, "columns wider than the view: " + std::to_string(total) + " px in " +
                              std::to_string(table->viewport()->width()));
        if (table->horizontalHeader()->height() < metrics.height())
            Report(table, "header lower than its text");
    }

    void CheckPlace(const QWidget* w, const std::vector<const QWidget*>& shown)
    {
        const QWidget* parent = w->parentWidget();
        const QRect area(QPoint(0, 0), parent->size());
        const bool beyond = exceptions_.BeyondEdge.count(w) && w->x() >= parent->width();
        if (!beyond && !area.contains(w->geometry()))
            Report(w, "cut by the edge of its " + std::string(parent->metaObject()->className()));
        for (const QWidget* other : shown)
            if (other != w && other->parentWidget() == parent && !Internal(other) &&
                std::less<const QWidget*>{}(other, w) && w->geometry().intersects(other->geometry()))
                Report(w, "overlaps " + Describe(other));
    }

    void CheckContrast(const QWidget* w)
    {
        if (!w->isEnabled())
            return;
        QPalette::ColorRole text = QPalette::NoRole;
        QPalette::ColorRole back = QPalette::NoRole;
        if (qobject_cast<const QLabel*>(w) || qobject_cast<const QCheckBox*>(w)) {
            text = QPalette::WindowText;
            back = QPalette::Window;
        } else if (qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QLineEdit*>(w) ||
                   qobject_cast<const QPlainTextEdit*>(w)) {
            text = QPalette::Text;
            back = QPalette::Base;
        } else if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w)) {
            text = QPalette::ButtonText;
            back = QPalette::Button;
        }
        const bool view = qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QPlainTextEdit*>(w);
        if (text == QPalette::NoRole || (TextOf(w).isEmpty() && !view))
            return;
        const double ratio = ContrastRatio(w->palette().color(text), w->palette().color(back));
        if (ratio < ReadableContrast)
            Report(w, "text hard to read: contrast " + std::to_string(ratio).substr(0, 4) + ":1");
        if (const auto* table = qobject_cast<const QTableWidget*>(w))
            CheckCellContrast(table);
    }

    void CheckCellContrast(const QTableWidget* table)
    {
        for (int row = 0; row < table->rowCount(); ++row)
            for (int col = 0; col < table->columnCount(); ++col) {
                const QTableWidgetItem* cell = table->item(row, col);
                if (!cell)
                    continue;
                const QBrush foreground = cell->foreground();
                const QBrush background = cell->background();
                const QColor text = foreground.style() != Qt::NoBrush ? foreground.color()
                                                                      : table->palette().color(QPalette::Text);
                const QColor back = background.style() != Qt::NoBrush ? background.color()
                                                                       : table->palette().color(QPalette::Base);
                if (ContrastRatio(text, back) < ReadableContrast) {
                    Report(table, "cell text hard to read in column " + std::to_string(col));
                    return;
                }
            }
    }

    const QWidget& window_;
    const LayoutExceptions& exceptions_;
};

}  // namespace

std::vector<std::string> LayoutProblems(const QWidget& window, const LayoutExceptions& exceptions)
{
    Checker checker(window, exceptions);
    checker.Run();
    return checker.Problems;
}

void ShowSetupsLongestTexts(TFormSetUp& dialog)
{
    dialog.Edit4->setText("10");  // no fit for this chip: the two warning lines
    dialog.Button1->click();
    dialog.Edit1->setText("7F");
    Frequency = 999999999.5;
    dialog.ComboPPM->setCurrentIndex(4);
    dialog.ComboPPMChange();
}
