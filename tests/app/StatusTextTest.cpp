// Every status text that reports an input error or an operation in progress
// ends with its cause: fixed input or an operation that ended leaves no text
// behind, and no old text stands beside an operation's progress bar.
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <fstream>
#include <functional>

#include "WindowsFixture.h"
#include "flash/UFlash.h"
#include "memory/StringGrid.h"
#include "memory/UEEPROM.h"
#include "mept/U_MEPT.h"
#include "setup/USetUp.h"

namespace {

// What the status line shows whenever a progress bar is painted beside it.
class BesideTheBar : public QObject {
public:
    std::vector<std::string> Texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            if (auto* bar = qobject_cast<QProgressBar*>(watched))
                if (auto* line = bar->parentWidget()->findChild<TStatusText*>(); line && line->isVisible())
                    Texts.push_back(line->text().toStdString());
        return false;
    }
};

class StatusTexts : public WindowsTest {
protected:
    void Retype(QLineEdit* field, const char* text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    // An unconvertible hex cell in row 1 of the editor, applied with a key.
    void BadCell()
    {
        Form->EEPROMSetup1->trigger();
        const QRect cell = Editor->SG->visualItemRect(Editor->SG->item(0, 2));
        QTest::mouseClick(Editor->SG->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        Editor->SG->SetCell(2, 1, "");
        QTest::keyClick(Editor->SG, Qt::Key_Right);
    }

    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

// The line's text holds these words; "" is an empty line, nullptr any text.
bool Says(const TStatusText& line, const char* words)
{
    return !words || (*words ? line.text().contains(words) : line.text().isEmpty());
}

struct Producer {
    const char* Name;
    std::function<TStatusText*()> Line;
    std::function<void()> Produce;
    const char* Produced;  // words of the status text the producer leaves
    std::function<void()> EndCause;
    const char* After;  // what the line says once the cause has ended
};

TEST_F(StatusTexts, NoneOutlivesItsCause)
{
    const auto main = [this] { return Form->StatusBar1; };
    const auto setup = [this] { return Dialog->StatusBar1; };
    const auto editor = [this] { return Editor->StatusBar1; };
    const auto keyer = [this] { return Keyer->StatusBar1; };
    const auto flasher = [this] {
        Form->Flash1->trigger();
        return Flasher->StatusBar1;
    };
    const Producer producers[] = {
        {"refused frequency, then no number", main, [this] { Retype(Form->Edit1, "1.2"); },
         "frequency not supported", [] { QTest::keyClicks(FormMain->Edit1, ".3"); }, ""},
        {"refused frequency, then a good one", main, [this] { Retype(Form->Edit1, "1.2"); },
         "frequency not supported", [this] { Retype(Form->Edit1, "14"); }, "f(SI570) = 14000000 Hz"},
        {"number field", setup, [this] { Retype(Dialog->Edit2, ""); }, "Enter valid number!",
         [this] { QTest::keyClicks(Dialog->Edit2, "2"); }, ""},
        {"address field", setup, [this] { Retype(Dialog->Edit1, "x"); }, "Enter valid hexadecimal number!",
         [this] { QTest::keyClicks(Dialog->Edit1, "55"); }, ""},
        {"no board on the bus", setup,
         [this] {
             Fs.Unplug(*Board);
             Click(Dialog->Button5);
         },
         "No VELNOR hardware found on USB buses!",
         [this] {
             Board = PlugBoard();
             Click(Dialog->Button5);
         },
         ""},
        {"crystal out of the window", setup,
         [this] {
             Retype(Dialog->Edit4, "10");
             Click(Dialog->Button1);
         },
         "Warning: found crystal not in 110...120MHz!", [this] { Retype(Dialog->Edit4, "56.32"); }, ""},
        {"grid cell fixed", editor, [this] { BadCell(); }, "Input error in focussed field",
         [this] {
             Editor->SG->SetCell(2, 1, "12");
             QTest::keyClick(Editor->SG, Qt::Key_Left);
         },
         ""},
        {"grid cell discarded by a click", editor, [this] { BadCell(); }, "Input error in focussed field",
         [this] {
             const QRect cell = Editor->SG->visualItemRect(Editor->SG->item(4, 1));
             QTest::mouseClick(Editor->SG->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
         },
         ""},
        {"grid cell replaced by a read", editor, [this] { BadCell(); }, "Input error in focussed field",
         [this] { Editor->ReadEEPROM2->trigger(); }, ""},
        {"grid cell, then a write", editor, [this] { BadCell(); }, "Input error in focussed field",
         [this] { Editor->readEEPROM1->trigger(); }, "EEPROM written and verified. Backup: "},
        {"board gone at a read", editor,
         [this] {
             Form->EEPROMSetup1->trigger();
             Fs.Unplug(*Board);
             Editor->ReadEEPROM2->trigger();
         },
         "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !",
         [this] {
             Board = PlugBoard();
             Editor->ReadEEPROM2->trigger();
         },
         ""},
        {"dump", flasher, [] {}, nullptr, [this] { Click(Flasher->Button1); }, ""},
        {"verify", flasher, [this] { ChosenFile = HexFile("app.hex", 0x1000, 64, 0xFF); }, nullptr,
         [this] { Click(Flasher->Button2); }, "Compared "},
        {"check version", flasher, [this] { ChosenFile = HexFile("boot.hex", 0, 64, 0xFF); }, nullptr,
         [this] { Click(Flasher->Button10); }, "Compared "},
        {"flash", flasher, [this] { ChosenFile = HexFile("app.hex", 0x1000, 0x100, 0x12); }, nullptr,
         [this] { Click(Flasher->Button9); }, "Flashing finished: 4 blocks written"},
        {"unreadable firmware file", flasher,
         [this] {
             ChosenFile = (WorkDir / "notes.hex").string();
             std::ofstream(ChosenFile) << "not a record\n";
             Click(Flasher->Button2);
         },
         "notes.hex",
         [this] {
             ChosenFile = HexFile("app.hex", 0x1000, 64, 0xFF);
             Click(Flasher->Button2);
         },
         "Compared "},
        {"beacon the board cannot send", keyer,
         [this] {
             Keyer->Edit3->setText("2000");
             Click(Keyer->SpeedTransmit);
         },
         "Beacon refused, nothing sent",
         [this] {
             Keyer->Edit3->setText("200");
             Click(Keyer->SpeedTransmit);
             Click(Keyer->SpeedTransmit);
         },
         ""},
    };
    BesideTheBar beside;
    QApplication::instance()->installEventFilter(&beside);
    for (const Producer& p : producers) {
        SCOPED_TRACE(p.Name);
        TStatusText* line = p.Line();
        line->window()->show();
        p.Produce();
        EXPECT_TRUE(Says(*line, p.Produced)) << line->text().toStdString();
        beside.Texts.clear();
        p.EndCause();
        EXPECT_TRUE(Says(*line, p.After)) << line->text().toStdString();
        for (const std::string& text : beside.Texts)
            EXPECT_TRUE(text.empty() || text.starts_with("Reading") || text.starts_with("Flashing address"))
                << "beside the progress bar: " << text;
        Editor->close();
        Flasher->close();
        Dialog->hide();
        Keyer->hide();
        Errors.clear();
    }
    QApplication::instance()->removeEventFilter(&beside);
}

}  // namespace
