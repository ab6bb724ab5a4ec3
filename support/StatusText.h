#pragma once
// A window's status line. A text wider than the line is shortened so that
// what matters stays readable: a file path in it loses the middle of its
// folder, then the words before it, while the file's name stays whole; any
// other text loses its end. Hovering
// shows the whole text. The line never makes its window wider. Its context
// menu copies the whole text and opens the folder of a file it names.
#include <QLabel>

class TStatusText : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

    // What the line shows at its present width.
    QString ShownText() const;
    // The file path the text ends with (from its first " /"), or "".
    QString Path() const;
    // What hovering shows: the whole text when it is shortened.
    QString ToolTipText() const;

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int Room() const;
};
