#include "support/FilteredField.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

#include "support/Feedback.h"

TFilteredField::TFilteredField(QLineEdit* field, TKeyPress keyPress, TAccepts accepts)
    : QObject(field), field_(field), keyPress_(std::move(keyPress)), accepts_(std::move(accepts))
{
    field->setAcceptDrops(false);
    field->setContextMenuPolicy(Qt::DefaultContextMenu);
    field->installEventFilter(this);
}

bool TFilteredField::Paste(QClipboard::Mode mode)
{
    const QString pasted = QApplication::clipboard()->text(mode).trimmed();
    if (pasted.isEmpty())
        return false;
    QString filtered;
    for (const QChar c : pasted) {
        char16_t key = c.unicode();
        if (c.isPrint())
            keyPress_(key);
        else
            key = 0;
        if (key == 0)
            break;
        filtered += QChar(key);
    }
    const int start = field_->hasSelectedText() ? field_->selectionStart() : field_->cursorPosition();
    const int replaced = field_->hasSelectedText() ? static_cast<int>(field_->selectedText().size()) : 0;
    const QString result = field_->text().left(start) + filtered + field_->text().mid(start + replaced);
    if (filtered.size() != pasted.size() || !accepts_(result)) {
        Beep();
        field_->setFocus();
        return false;
    }
    field_->insert(filtered);
    if (OnPasted)
        OnPasted();
    return true;
}

QMenu* TFilteredField::ContextMenu()
{
    auto* menu = new QMenu(field_);
    const bool editable = !field_->isReadOnly();
    const bool selected = field_->hasSelectedText();
    auto item = [&](const QString& text, QKeySequence::StandardKey key, bool enabled, auto action) {
        QAction* a = menu->addAction(text + '\t' + QKeySequence(key).toString(QKeySequence::NativeText));
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, field_, action);
    };
    item("&Undo", QKeySequence::Undo, editable && field_->isUndoAvailable(), [this] { field_->undo(); });
    item("&Redo", QKeySequence::Redo, editable && field_->isRedoAvailable(), [this] { field_->redo(); });
    menu->addSeparator();
    item("Cu&t", QKeySequence::Cut, editable && selected, [this] { field_->cut(); });
    item("&Copy", QKeySequence::Copy, selected, [this] { field_->copy(); });
    item("&Paste", QKeySequence::Paste, editable && !QApplication::clipboard()->text().isEmpty(),
         [this] { Guarded([this] { Paste(); }); });
    item("Delete", QKeySequence::Delete, editable && selected, [this] { field_->del(); });
    menu->addSeparator();
    item("Select All", QKeySequence::SelectAll, !field_->text().isEmpty(), [this] { field_->selectAll(); });
    if (!MenuItems.isEmpty()) {
        menu->addSeparator();
        menu->addActions(MenuItems);
    }
    return menu;
}

// Only a character that types goes through the key handler: Tab, Enter,
// Backspace and the editing keys work as in any field, and a key with Ctrl,
// Alt or Meta is a shortcut, which types nothing.
bool TFilteredField::KeyDropped(const QKeyEvent& event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    QString typed;
    for (const QChar c : event.text()) {
        if (!c.isPrint())
            return false;
        char16_t key = c.unicode();
        keyPress_(key);
        if (key == 0)
            return true;
        typed += QChar(key);
    }
    if (typed == event.text())
        return false;
    // The handler changed the character: the field gets the new one instead.
    field_->insert(typed);
    return true;
}

bool TFilteredField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != field_)
        return false;
    bool handled = false;
    Guarded([&] {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto& key = *static_cast<QKeyEvent*>(event);
            handled = key.matches(QKeySequence::Paste);
            if (handled)
                Paste();
            else
                handled = KeyDropped(key);
            break;
        }
        case QEvent::MouseButtonRelease:
            // A middle click pastes the selection where the system has one.
            handled = static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton &&
                      QApplication::clipboard()->supportsSelection();
            if (handled)
                Paste(QClipboard::Selection);
            break;
        case QEvent::ContextMenu: {
            QMenu* menu = ContextMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
            handled = true;
            break;
        }
        default:
            break;
        }
    });
    return handled;
}
