#include "memory/StringGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

#include "support/Errors.h"
#include "support/FilteredField.h"

TStringGrid::TStringGrid(int colCount, int rowCount, QWidget* parent)
    : QTableWidget(rowCount - 1, colCount, parent)
{
    for (int col = 0; col < colCount; ++col)
        setHorizontalHeaderItem(col, new QTableWidgetItem);
    const QBrush fixedBackground = palette().brush(QPalette::Button);
    const QBrush fixedText = palette().brush(QPalette::ButtonText);
    for (int row = 0; row < rowCount - 1; ++row)
        for (int col = 0; col < colCount; ++col) {
            auto* cell = new QTableWidgetItem;
            if (col == 0) {
                // Not enabled: a press there leaves the current cell where it is.
                cell->setFlags(Qt::NoItemFlags);
                cell->setBackground(fixedBackground);
                cell->setForeground(fixedText);
            }
            setItem(row, col, cell);
        }
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setItemDelegate(new TGridCellDelegate(*this));
    SetCurrent(1, 1);
}

QTableWidgetItem* TStringGrid::Cell(int col, int row) const
{
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount())
        throw RangeError("Grid cell out of range: column " + std::to_string(col) + ", row " + std::to_string(row));
    return row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
}

QString TStringGrid::Cells(int col, int row) const
{
    return Cell(col, row)->text();
}

void TStringGrid::SetCell(int col, int row, const QString& text)
{
    QTableWidgetItem* cell = Cell(col, row);
    if (cell->text() != text)
        cell->setText(text);
}

void TStringGrid::SetCellMark(int col, int row, const QColor& background, const QString& tip)
{
    QTableWidgetItem* cell = Cell(col, row);
    if (cell->toolTip() == tip)
        return;
    cell->setBackground(background.isValid() ? QBrush(background) : QBrush());
    cell->setToolTip(tip);
}

void TStringGrid::SetRowHeights(int height)
{
    verticalHeader()->setMinimumSectionSize(std::min(height, verticalHeader()->minimumSectionSize()));
    verticalHeader()->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
}

void TStringGrid::SetCurrent(int col, int row)
{
    Cell(col, row);
    setCurrentCell(row - 1, col);
}

// Only a character that types goes through the handler; shortcuts (copy the
// cell) and the navigation keys work as in any view.
bool TStringGrid::FilterKeyPress(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() != 1 || !text.front().isPrint() || !OnKeyPress ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    char16_t key = text.front().unicode();
    OnKeyPress(key);
    if (key == 0)
        return true;
    if (key == text.front().unicode())
        return false;
    // The handler changed the character: the editor it opens gets the new one.
    QKeyEvent changed(event->type(), event->key(), event->modifiers(), QString(QChar(key)), event->isAutoRepeat(),
                      static_cast<ushort>(event->count()));
    QTableWidget::keyPressEvent(&changed);
    return true;
}

void TStringGrid::KeyReleased()
{
    if (OnKeyUp)
        OnKeyUp();
}

void TStringGrid::keyPressEvent(QKeyEvent* event)
{
    if (!FilterKeyPress(event))
        QTableWidget::keyPressEvent(event);
}

void TStringGrid::keyReleaseEvent(QKeyEvent* event)
{
    QTableWidget::keyReleaseEvent(event);
    KeyReleased();
}

void TStringGrid::mousePressEvent(QMouseEvent* event)
{
    QTableWidget::mousePressEvent(event);
    if (OnMouseDown)
        OnMouseDown();
}

TGridCellDelegate::TGridCellDelegate(TStringGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

QWidget* TGridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    TStringGrid& grid = grid_;
    const int col = index.column();
    auto* keys = new TFilteredField(
        editor,
        [&grid](char16_t& Key) {
            if (grid.OnKeyPress)
                grid.OnKeyPress(Key);
        },
        [&grid, col](const QString& text) { return !grid.AcceptsText || grid.AcceptsText(col, text); });
    // Applied as typed text is, when its key is let go.
    keys->OnPasted = [&grid] { grid.KeyReleased(); };
    QPersistentModelIndex cell(index);
    QAbstractItemModel* model = grid_.model();
    connect(editor, &QLineEdit::textChanged, editor, [model, cell](const QString& text) {
        if (cell.isValid())
            model->setData(cell, text);
    });
    return editor;
}

void TGridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    // The cell follows the editor; only a change made elsewhere goes back into it.
    auto* line = static_cast<QLineEdit*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    if (line->text() != text)
        line->setText(text);
}

bool TGridCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        // Taken here, so it does not reach the grid a second time.
        grid_.KeyReleased();
        return true;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
