// What the editors refuse, in both layouts: files that do not make a whole
// image, field values that do not fit, and actions that would drop edits the
// board never got. Refused means the image and the board stay as they were.
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <functional>

#include "EditorFixture.h"
#include "tests/common/HostileFiles.h"

namespace {

using EditorRefusals = EditorTest;

enum class Outcome { Loads, Refused, Raised };

struct HostileLoad {
    const char* Name;
    std::function<std::string(const std::filesystem::path& dir)> Make;  // the file's path
    Outcome Result;
    // Loads and Refused: the status line; Raised: the start of the error shown.
    std::function<std::string(const std::string& path, int own)> Says;
    std::function<int(int address)> FileByte = {};  // Loads: the byte the file defines there, -1 for none
};

std::string Last(int own)
{
    return own == 512 ? "0x1FF" : "0x0FF";
}

TEST_F(EditorRefusals, HostileFilesLoadWholePartlyMarkedOrNotAtAll)
{
    const auto write = [](const char* name, std::string text) {
        return [name, text](const std::filesystem::path& dir) { return WriteText(dir / name, text); };
    };
    const auto noData = [](const std::string& p, int own) {
        return p + " defines no byte of the EEPROM's 0x000-" + Last(own) + ": it holds no data";
    };
    const HostileLoad rows[] = {
        {"empty", write("empty.hex", ""), Outcome::Refused, noData},
        {"one byte", write("one.hex", HexLine(0, {0x5A}) + HexEnd), Outcome::Loads,
         [](const std::string& p, int own) { return "Loaded " + p + "; not in the file, set to 00: 0x001-" + Last(own); },
         [](int a) { return a == 0 ? 0x5A : -1; }},
        {"lower half", write("lower.hex", HexLines(0, 256, 0x11) + HexEnd), Outcome::Loads,
         [](const std::string& p, int own) {
             return own == 256 ? "" : "Loaded " + p + "; not in the file, set to 00: 0x100-0x1FF";
         },
         [](int a) { return a < 256 ? 0x11 : -1; }},
        {"only outside", write("outside.hex", HexLines(0x300, 16, 0xAB) + HexEnd), Outcome::Refused,
         [](const std::string& p, int own) {
             return p + " defines no byte of the EEPROM's 0x000-" + Last(own) +
                    "; its records lie beyond it: line 1 (0x300-0x30F)";
         }},
        {"whole and beyond", write("beyond.hex", HexLines(0, 512, 0x22) + HexLine(0x200, {1}) + HexEnd),
         Outcome::Loads,
         [](const std::string& p, int own) {
             return "Loaded " + p + "; beyond " + Last(own) + ", not loaded: " +
                    (own == 512 ? "line 33 (0x200)"
                                : "line 17 (0x100-0x10F), line 18 (0x110-0x11F), line 19 (0x120-0x12F) and 14 more");
         },
         [](int) { return 0x22; }},
        {"overlapping records", write("overlap.hex", HexLines(0, 512, 0x33) + HexLine(0x10, {0x44, 0x44}) + HexEnd),
         Outcome::Loads,
         [](const std::string& p, int own) {
             return own == 512 ? ""
                               : "Loaded " + p + "; beyond 0x0FF, not loaded: line 17 (0x100-0x10F), line 18 "
                                                 "(0x110-0x11F), line 19 (0x120-0x12F) and 13 more";
         },
         [](int a) { return a == 0x10 || a == 0x11 ? 0x44 : 0x33; }},
        {"bad checksum", write("sum.hex", HexLines(0, 16, 1) + HexLine(0x10, {1}, 0, 1) + HexEnd), Outcome::Refused,
         [](const std::string& p, int) { return "Error reading " + p + " line 2: checksum mismatch"; }},
        {"type 02 record", write("t02.hex", HexLine(0, {0x10, 0x00}, 2) + HexLines(0, 512, 0) + HexEnd),
         Outcome::Refused,
         [](const std::string& p, int) {
             return "Error reading " + p +
                    " line 1: record type 02 (extended segment address) is not supported: only 16-bit addresses "
                    "(data and end records)";
         }},
        {"type 04 record", write("t04.hex", HexLines(0, 16, 0) + HexLine(0, {0, 1}, 4) + HexEnd), Outcome::Refused,
         [](const std::string& p, int) {
             return "Error reading " + p +
                    " line 2: record type 04 (extended linear address) is not supported: only 16-bit addresses "
                    "(data and end records)";
         }},
        {"malformed", write("bad.hex", HexLine(0, {0}) + ":10zz\r\n"), Outcome::Raised,
         [](const std::string& p, int) { return p + " line 2: "; }},
        {"directory", [](const std::filesystem::path& dir) { return dir.string(); }, Outcome::Raised,
         [](const std::string& p, int) { return "Cannot read file " + p + ": Is a directory"; }},
        {"unreadable", [](const std::filesystem::path& dir) { return MakeUnreadable(dir / "locked.hex"); },
         Outcome::Raised, [](const std::string& p, int) { return UnreadableError(p); }},
        {"FIFO without a writer", [](const std::filesystem::path& dir) { return MakeFifo(dir / "fifo.hex"); },
         Outcome::Refused, noData},
        {"huge", [](const std::filesystem::path& dir) { return MakeHuge(dir / "huge.hex"); }, Outcome::Raised,
         [](const std::string& p, int) { return "Cannot read file " + p + HugeError; }},
        {"missing", [](const std::filesystem::path& dir) { return (dir / "none.hex").string(); }, Outcome::Raised,
         [](const std::string& p, int) { return "Cannot open file " + p + ": No such file or directory"; }},
    };
    StartEditors();
    int refused = 0;
    for (TEepromEditor* editor : {static_cast<TEepromEditor*>(Editor.get()), static_cast<TEepromEditor*>(FilterEditor.get())}) {
        const int own = editor == Editor.get() ? 512 : 256;
        Open(*editor);
        for (const HostileLoad& row : rows) {
            SCOPED_TRACE(std::to_string(own) + " / " + row.Name);
            editor->ReadEEPROM2->trigger();  // a fresh image, no edits
            const auto before = EepromImage;
            const auto board = Board->Eeprom;
            const std::filesystem::path dir = WorkDir / ("files-" + std::to_string(own));
            std::filesystem::create_directories(dir);
            const std::string path = row.Make(dir);
            Board->Log.clear();
            Errors.clear();
            Questions.clear();
            AnswerDialog(path);
            editor->Load1->trigger();

            EXPECT_TRUE(Board->Log.empty()) << "loading never reaches the board";
            EXPECT_EQ(Board->Eeprom, board);
            EXPECT_TRUE(Questions.empty()) << "the image held no unwritten edits";
            if (row.Result == Outcome::Raised) {
                ASSERT_EQ(Errors.size(), 1u);
                EXPECT_TRUE(Errors[0].starts_with(row.Says(path, own))) << Errors[0];
                EXPECT_EQ(Status(*editor), "");
            } else {
                EXPECT_TRUE(Errors.empty()) << Errors.front();
                EXPECT_EQ(Status(*editor), row.Says(path, own));
            }
            if (row.Result != Outcome::Loads) {
                EXPECT_EQ(EepromImage, before) << "refused: nothing changes";
                ++refused;
                continue;
            }
            for (int a = 0; a < 512; ++a) {
                const int byte = a < own ? row.FileByte(a) : -1;
                ASSERT_EQ(EepromImage[static_cast<size_t>(a)], a >= own ? before[static_cast<size_t>(a)]
                                                               : byte < 0 ? 0 : byte)
                    << "address " << a;
                ASSERT_EQ(editor->IsUnloaded(a), a < own && byte < 0) << "address " << a;
            }
        }
        editor->close();
    }
    EXPECT_EQ(refused, 2 * 11) << "hostile files refused, across both editors";
}

TEST_F(EditorRefusals, BytesAPartialFileLeftOutAreMarkedUntilEditedOrReadAgain)
{
    StartEditors();
    Open(*Editor);
    AnswerDialog(WriteText(WorkDir / "one.hex", HexLine(0x10, {0x5A}) + HexEnd));
    Editor->Load1->trigger();
    const auto tip = [&](int col, int row) { return Editor->SG->item(row - 1, col)->toolTip().toStdString(); };
    EXPECT_EQ(Editor->ListBox1->item(0)->toolTip().toStdString(), "Not in the loaded file: set to 00");
    EXPECT_EQ(Editor->ListBox1->item(1)->toolTip().toStdString(), "Not in the loaded file: set to 00")
        << "0x10 is defined, 0x11-0x1F are not";
    EXPECT_EQ(tip(1, 1), "Not in the loaded file: set to 00");
    EXPECT_EQ(tip(2, 8), "Not in the loaded file: set to 00");
    EXPECT_TRUE(Editor->SG->item(0, 1)->background().color().isValid());

    ClickCell(*Editor, 2, 1);
    TypeIntoGrid(*Editor, "7");
    EXPECT_EQ(tip(1, 1), "") << "an edited field is the operator's";
    EXPECT_EQ(tip(2, 2), "Not in the loaded file: set to 00");
    Editor->ReadEEPROM2->trigger();
    EXPECT_EQ(tip(2, 2), "");
    EXPECT_EQ(Editor->ListBox1->item(1)->toolTip().toStdString(), "");
}

struct HostileField {
    bool FilterBoard;
    int Col;  // 1 decimal, 2 hex
    int Row;
    const char* Keys;
    int Address;
    int Width;
    uint64_t Stored;     // what the field holds afterwards when the value fits
    const char* Refusal;  // else the status line
};

TEST_F(EditorRefusals, AFieldValueIsStoredOnlyWhenItFits)
{
    const std::string twenty9s(20, '9');
    const HostileField rows[] = {
        {false, 1, 2, "300", 0x01, 1, 0,
         "Too large for row 2, [0x01] Crystal calibration status: 0xFF = uncalibrated, 0x00 = calibrated: 0 to 255"},
        {false, 1, 2, "255", 0x01, 1, 255, nullptr},
        {false, 2, 1, "1234567", 0x00, 1, 0, "Too large for row 1, [0x00] AVR RC oscillator calibration: 00 to FF hex"},
        {false, 2, 1, "00FF", 0x00, 1, 0xFF, nullptr},
        {false, 1, 3, "4294967296", 0x02, 4, 0,
         "Too large for row 3, [0x02 - 0x05] Crystal calibration value (4 bytes): 0 to 4294967295"},
        {false, 1, 3, "4294967295", 0x02, 4, 0xFFFFFFFF, nullptr},
        {false, 2, 5, "FFFFFFFFFFFF", 0x07, 6, 0xFFFFFFFFFFFF, nullptr},
        {false, 2, 5, "1000000000000", 0x07, 6, 0,
         "Too large for row 5, [0x07 - 0x0C] Frequency to restore on init, if [0x06] is not set to 0xFF  (6 bytes): "
         "000000000000 to FFFFFFFFFFFF hex"},
        {false, 1, 5, "18446744073709551616", 0x07, 6, 0,
         "Too large for row 5, [0x07 - 0x0C] Frequency to restore on init, if [0x06] is not set to 0xFF  (6 bytes): "
         "0 to 281474976710655"},
        {false, 2, 60, "100", 0x1A8, 1, 0, "Too large for row 60, [0x1A8] Multiplier 10: 00 to FF hex"},
        {true, 1, 10, twenty9s.c_str(), 0x13, 4, 0,
         "Too large for row 10, [0x13 - 0x16] VFO frequency offset in Hz: 0 to 4294967295"},
        {true, 2, 12, "123456789", 0x41, 4, 0,
         "Too large for row 12, [0x41 - 0x44] Lower limit of band pass filter 1 in Hz (4 bytes): 00 to FFFFFFFF hex"},
        {true, 1, 6, "3", 0x0F, 1, 3, nullptr},
    };
    StartEditors();
    int refused = 0;
    for (const HostileField& row : rows) {
        SCOPED_TRACE(std::string(row.FilterBoard ? "filter-board " : "") + "row " + std::to_string(row.Row) + " " +
                     row.Keys);
        TEepromEditor& editor = row.FilterBoard ? static_cast<TEepromEditor&>(*FilterEditor) : *Editor;
        Open(editor);
        const auto before = EepromImage;
        const std::string otherBefore = Cell(editor, 3 - row.Col, row.Row);
        ClickCell(editor, row.Col, row.Row);
        QLineEdit* cellEditor = nullptr;
        for (const char* key = row.Keys; *key; ++key) {
            TypeIntoGrid(editor, QString(QChar(*key)));
            QLineEdit* open = nullptr;
            for (QLineEdit* line : editor.SG->findChildren<QLineEdit*>())
                if (line->isVisible())
                    open = line;
            ASSERT_NE(open, nullptr) << "typing never closes the cell's editor";
            if (!cellEditor)
                cellEditor = open;
            ASSERT_EQ(open, cellEditor) << "one edit from the first key to the last";
        }
        EXPECT_EQ(cellEditor->text().toStdString(), row.Keys);
        EXPECT_EQ(editor.SG->Col(), row.Col);
        EXPECT_EQ(editor.SG->Row(), row.Row);

        auto expected = before;
        if (!row.Refusal) {
            for (int i = 0; i < row.Width; ++i)
                expected[static_cast<size_t>(row.Address + i)] = static_cast<uint8_t>(row.Stored >> (8 * i));
            EXPECT_EQ(Status(editor), "");
        } else {
            ++refused;
            EXPECT_EQ(Status(editor), row.Refusal);
            EXPECT_EQ(Cell(editor, 3 - row.Col, row.Row), otherBefore) << "the other column shows the kept value";
        }
        EXPECT_EQ(EepromImage, expected) << "no prefix of a refused value stays behind";
        EXPECT_EQ(Listing(editor)[static_cast<size_t>(row.Address / 16)],
                  HexListingLine(row.Address & ~15, std::span(EepromImage).subspan(row.Address & ~15, 16)));
        ClickCell(editor, 3 - row.Col, row.Row);  // ends the edit
        editor.close();
    }
    EXPECT_EQ(refused, 8);
}

TEST_F(EditorRefusals, ARefusalEndsWhenTheTextFitsAgain)
{
    StartEditors();
    Open(*Editor);
    ClickCell(*Editor, 1, 1);
    TypeIntoGrid(*Editor, "300");
    EXPECT_TRUE(Status(*Editor).starts_with("Too large for row 1")) << Status(*Editor);
    QTest::keyClick(Editor->SG->findChild<QLineEdit*>(), Qt::Key_Backspace);
    EXPECT_EQ(EepromImage[0x00], 30);
    EXPECT_EQ(Status(*Editor), "");
    EXPECT_EQ(Cell(*Editor, 2, 1), "1E");
}

struct UnwrittenCase {
    const char* Action;  // close, read, load
    TUnwrittenChoice Answer;
    bool Edited;
    bool Done;          // the action went ahead
    bool BoardWritten;  // the edit reached the board
};

TEST_F(EditorRefusals, EditsThatWereNeverWrittenAreNotDroppedWithoutAsking)
{
    using enum TUnwrittenChoice;
    const UnwrittenCase rows[] = {
        {"close", Write, true, true, true},   {"close", Discard, true, true, false},
        {"close", Stay, true, false, false},  {"close", Stay, false, true, false},
        {"read", Write, true, true, true},    {"read", Discard, true, true, false},
        {"read", Stay, true, false, false},   {"read", Stay, false, true, false},
        {"load", Write, true, true, true},    {"load", Discard, true, true, false},
        {"load", Stay, true, false, false},   {"load", Stay, false, true, false},
    };
    StartEditors();
    const std::string file = WriteText(WorkDir / "whole.hex", HexLines(0, 512, 0x77) + HexEnd);
    for (const bool filterBoard : {false, true}) {
        TEepromEditor& editor = filterBoard ? static_cast<TEepromEditor&>(*FilterEditor) : *Editor;
        for (const UnwrittenCase& row : rows) {
            const std::string action = row.Action;
            SCOPED_TRACE(std::string(filterBoard ? "filter-board " : "") + action + " / answer " +
                         std::to_string(static_cast<int>(row.Answer)) + (row.Edited ? " / edited" : ""));
            Board->Eeprom = BoardPattern();
            Open(editor);
            if (row.Edited) {
                ClickCell(editor, 2, 1);
                TypeIntoGrid(editor, "42");
                ClickCell(editor, 1, 1);  // ends the edit
            }
            const auto image = EepromImage;
            ASSERT_EQ(editor.HasUnwrittenEdits(), row.Edited);
            QuestionAnswer = row.Answer;
            Questions.clear();
            Board->Log.clear();
            AnswerDialog(file);
            bool closed = false;
            if (action == "close")
                closed = editor.close();
            else
                (action == "read" ? editor.ReadEEPROM2 : editor.Load1)->trigger();

            ASSERT_EQ(Questions.size(), row.Edited ? 1u : 0u);
            if (row.Edited) {
                const std::string what = action == "close" ? "closing the editor"
                                         : action == "read" ? "reading the board"
                                                            : "loading " + file;
                EXPECT_EQ(Questions[0], "The EEPROM image holds edits that were not written to the board.\n\n"
                                        "Write them to the board before " + what + "?");
            }
            EXPECT_EQ(Board->Eeprom[0x00], row.BoardWritten ? 0x42 : BoardPattern()[0]);
            EXPECT_EQ(Requests(0x10), row.BoardWritten ? 512 : 0);
            if (action == "close")
                EXPECT_EQ(closed, row.Done);
            else if (action == "read")
                EXPECT_EQ(Requests(0x11), (row.BoardWritten ? 1024 : 0) + (row.Done ? 512 : 0));
            else
                EXPECT_EQ(EepromImage[0x00], row.Done ? 0x77 : 0x42);
            if (!row.Done) {
                EXPECT_EQ(EepromImage, image) << "staying keeps the edits";
            }
            EXPECT_TRUE(Errors.empty());
            QuestionAnswer = Discard;
            editor.close();
        }
    }
}

TEST_F(EditorRefusals, AWriteThatFailsKeepsTheEditorOpenWithItsEdits)
{
    StartEditors();
    Open(*Editor);
    ClickCell(*Editor, 2, 1);
    TypeIntoGrid(*Editor, "42");
    const auto image = EepromImage;
    QuestionAnswer = TUnwrittenChoice::Write;
    Fs.Unplug(*Board);
    EXPECT_FALSE(Editor->close());
    EXPECT_TRUE(Editor->isVisible());
    EXPECT_EQ(EepromImage, image);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_TRUE(Errors[0].starts_with("Could not find USB device")) << Errors[0];

    // The verification finds the board storing something else: still unwritten.
    HealAndFindBoard();
    VendorTransferHook = [](TVendorTransfer& t) {
        if (t.Request == 0x10 && t.Value == 0)
            t.Index = 0x43;
    };
    EXPECT_FALSE(Editor->close());
    EXPECT_TRUE(Status(*Editor).starts_with("Verification failed: the board differs at 0x000.")) << Status(*Editor);
    VendorTransferHook = nullptr;
    QuestionAnswer = TUnwrittenChoice::Discard;
    EXPECT_TRUE(Editor->close());
}

}  // namespace
