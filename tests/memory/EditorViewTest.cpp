// What the operator reads and clicks in the editor beyond its values: the
// write message with the backup's name, the way to the backups folder, and
// the grid's label column, which is neither chosen nor edited.
#include <QClipboard>
#include <QDesktopServices>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "EditorFixture.h"

namespace {

// Records the folders and files the program asks the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls() { QDesktopServices::setUrlHandler("file", this, "Open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler("file"); }

    std::vector<std::string> Paths;

public slots:
    void Open(const QUrl& url) { Paths.push_back(url.toLocalFile().toStdString()); }
};

using EditorView = EditorTest;

TEST_F(EditorView, TheWriteMessageShowsTheBackupsNameAndOpensItsFolder)
{
    StartEditors();
    Open(*Editor);
    Editor->show();
    Editor->readEEPROM1->trigger();
    ASSERT_EQ(BackupFiles().size(), 1u);
    const std::filesystem::path backup = BackupFiles()[0];
    const QString name = QString::fromStdString(backup.filename().string());
    const QString full = Editor->StatusBar1->text();
    EXPECT_EQ(full.toStdString(), "EEPROM written and verified. Backup: " + backup.string());

    // Too long for the line: the folder's middle gives way, then the words
    // before it; the backup's name reads whole, the message whole on hover.
    const struct {
        int Width;
        const char* Begins;
    } widths[] = {{700, "EEPROM written and verified. Backup: /"}, {420, "EEPROM written"}};
    const QPoint at(4, 4);
    for (const auto& w : widths) {
        SCOPED_TRACE(w.Width);
        Editor->resize(w.Width, Editor->height());
        QApplication::processEvents();
        const QString shown = Editor->StatusBar1->ShownText();
        EXPECT_TRUE(shown.startsWith(w.Begins)) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(name)) << shown.toStdString();
        EXPECT_LE(Editor->StatusBar1->fontMetrics().horizontalAdvance(shown),
                  Editor->StatusBar1->contentsRect().width());
        QHelpEvent hover(QEvent::ToolTip, at, Editor->StatusBar1->mapToGlobal(at));
        QApplication::sendEvent(Editor->StatusBar1, &hover);
        EXPECT_EQ(QToolTip::text(), full);
        QToolTip::hideText();
    }

    // Its folder opens from the line's menu, and any time from the File menu.
    OpenedUrls opened;
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, Editor->StatusBar1->mapToGlobal(at));
    QApplication::sendEvent(Editor->StatusBar1, &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    menu->actions()[1]->trigger();
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_EQ(QApplication::clipboard()->text(), full) << "the whole message copies";
    Editor->OpenBackups1->trigger();
    EXPECT_EQ(opened.Paths, (std::vector<std::string>{backup.parent_path().string(), backup.parent_path().string()}));
}

TEST_F(EditorView, ALabelIsNeitherChosenNorEdited)
{
    StartEditors();
    Open(*Editor);
    Editor->show();
    std::vector<std::string> labels;
    for (int row = 1; row < Editor->SG->RowCount(); ++row)
        labels.push_back(Cell(*Editor, 0, row));
    const auto image = EepromImage;
    const struct {
        const char* Name;
        int Row;
        bool Double;  // a double click, which edits a value cell
        std::function<void()> Then;
    } presses[] = {
        {"a press", 4, false, [] {}},
        {"a double click", 1, true, [] {}},
        {"a press, then typing", 2, false, [this] { TypeIntoGrid(*Editor, "12"); }},
        {"a press, then F2", 3, false, [this] { QTest::keyClick(Editor->SG, Qt::Key_F2); }},
    };
    for (const auto& p : presses) {
        SCOPED_TRACE(p.Name);
        ClickCell(*Editor, 2, 6);
        const QRect label = Editor->SG->visualItemRect(Editor->SG->item(p.Row - 1, 0));
        if (p.Double)
            QTest::mouseDClick(Editor->SG->viewport(), Qt::LeftButton, Qt::NoModifier, label.center());
        else
            QTest::mouseClick(Editor->SG->viewport(), Qt::LeftButton, Qt::NoModifier, label.center());
        p.Then();
        EXPECT_EQ(Editor->SG->Col(), 2) << "the current cell stays where it was";
        EXPECT_EQ(Editor->SG->Row(), 6);
        for (QLineEdit* editor : Editor->SG->findChildren<QLineEdit*>())
            EXPECT_FALSE(editor->isVisible() && editor->geometry().intersects(label)) << "no editor on the label";
        for (int row = 1; row < Editor->SG->RowCount(); ++row)
            EXPECT_EQ(Cell(*Editor, 0, row), labels[static_cast<size_t>(row - 1)]) << "labels keep their text";
    }
    // Typing went to the current value cell, row 6: byte 0x0D.
    EXPECT_EQ(EepromImage[0x0D], 0x12);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 0x0D, EepromImage.begin()));
}

}  // namespace

#include "EditorViewTest.moc"
