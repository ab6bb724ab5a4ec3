#pragma once
// The key filter of a numeric field as the operator meets it. A typed
// character goes through the field's key handler (FilterKey); shortcuts
// (select all, copy, cut, paste, undo) work as in any field; pasted text
// goes through the same handler and must leave a text the field accepts, or
// the paste beeps and changes nothing. The field's context menu offers the
// usual edit items, its Paste filtered the same way. Text cannot be dropped
// into the field.
#include <QClipboard>
#include <QList>
#include <QObject>

#include <functional>

class QAction;
class QContextMenuEvent;
class QKeyEvent;
class QLineEdit;
class QMenu;

class TFilteredField : public QObject {
public:
    // Key is the typed character; the handler may change it, 0 drops it.
    using TKeyPress = std::function<void(char16_t& Key)>;
    using TAccepts = std::function<bool(const QString& text)>;

    // Filters the field's input for as long as the field lives.
    TFilteredField(QLineEdit* field, TKeyPress keyPress, TAccepts accepts);

    // Items the context menu offers after the edit items.
    QList<QAction*> MenuItems;
    // Run after pasted text went into the field.
    std::function<void()> OnPasted;

    // Pastes the clipboard's text (the selection for a middle click) as the
    // operator asked; false when it was refused.
    bool Paste(QClipboard::Mode mode = QClipboard::Clipboard);
    // The context menu, built for the field's present state.
    QMenu* ContextMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool KeyDropped(const QKeyEvent& event);

    QLineEdit* field_;
    TKeyPress keyPress_;
    TAccepts accepts_;
};
