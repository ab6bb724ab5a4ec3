#pragma once
// A grid of text cells addressed as (column, row) with one fixed header row
// (row 0, kept in view while the rows scroll) and one fixed label column
// (column 0, neither selectable nor editable). Value cells are edited in
// place and their text follows every keystroke. Key presses, key releases
// and mouse presses are reported after the grid has handled them (a press
// has moved the current cell by then).
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <functional>

class TStringGrid : public QTableWidget {
public:
    TStringGrid(int colCount, int rowCount, QWidget* parent = nullptr);

    int ColCount() const { return columnCount(); }
    int RowCount() const { return rowCount() + 1; }
    // RangeError outside the grid.
    QString Cells(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    void SetRowHeights(int height);
    // A value cell set apart: its background and tooltip; an invalid colour clears both.
    void SetCellMark(int col, int row, const QColor& background, const QString& tip);

    int Col() const { return currentColumn(); }
    int Row() const { return currentRow() + 1; }
    void SetCurrent(int col, int row);

    // Key is the typed character; the handler may change it, 0 drops it.
    std::function<void(char16_t& Key)> OnKeyPress;
    // Whether a value cell of the column may hold the text; asked for a
    // paste into the cell's editor, which is refused otherwise.
    std::function<bool(int col, const QString& text)> AcceptsText;
    std::function<void()> OnKeyUp;
    std::function<void()> OnMouseDown;

    // A key typed into the grid; true when the key is dropped.
    bool FilterKeyPress(QKeyEvent* event);
    void KeyReleased();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QTableWidgetItem* Cell(int col, int row) const;
};

// The in-place editor: a line edit whose text goes to its cell as it
// changes; what is typed or pasted into it goes through the grid's key handler.
class TGridCellDelegate : public QStyledItemDelegate {
public:
    explicit TGridCellDelegate(TStringGrid& grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TStringGrid& grid_;
};
