// The chosen board unplugged and plugged in again (it comes back under a new
// device number and at its start-up frequency), with one board, two boards
// told apart by their serials, two that share a serial and one without, in
// every way the program drives a board: which board got which request, what
// the board makes at the end, and what the operator saw.
#include <QTest>

#include <cmath>
#include <functional>
#include <sstream>

#include "AppFixture.h"
#include "cli/Ctl.h"
#include "memory/UEEPROM.h"
#include "support/Feedback.h"
#include "mept/U_MEPT.h"

namespace {

enum class Boards { One, TwoDistinct, TwoSharingASerial, NoSerial };

// What one replug episode showed.
struct TEpisode {
    std::string Away;  // what the operator saw while the chosen board was away
    std::string Back;  // and once it was back
    int OtherGot = 0;  // Si570 frequencies the other board received meanwhile
    bool ChosenMakesShown = false;  // the chosen board makes the shown 14 MHz at the end
};

class Replug : public AppTest {
protected:
    void TearDown() override
    {
        Keyer.reset();
        F_MEPT = nullptr;
        Editor.reset();
        FormEEPROM = nullptr;
        AppTest::TearDown();
    }

    // The boards plugged in (the chosen one last), the settings file naming
    // the chosen one at 14 MHz, detection as given.
    void Plug(Boards boards, bool onlineDetect)
    {
        const std::u16string serial = boards == Boards::NoSerial ? u"" : boards == Boards::One ? u"1" : u"X";
        if (boards == Boards::TwoDistinct)
            Other = PlugBoard(u"VELNOR-I2C", u"1");
        if (boards == Boards::TwoSharingASerial)
            Other = PlugBoard(u"VELNOR-I2C", u"X");
        Board = PlugBoard(u"VELNOR-I2C", boards == Boards::TwoDistinct ? u"2" : serial);
        WriteSettings({{"OnlineDetect=", onlineDetect ? "1" : "0"},
                       {"DevSerial=", std::string(Board->Settings().Serial.begin(), Board->Settings().Serial.end())},
                       {"DevNo=", std::to_string(Fs.DeviceNumber(*Board))}});
    }

    void Unplug() { Fs.Unplug(*Board); }
    void PlugBack()
    {
        Fs.Plug(Board);
        EXPECT_NEAR(Board->OutputMHz(), 56.32, 1e-3) << "it powers up at its start-up frequency";
    }

    // Boxes shown, then the text the window at hand shows.
    std::string Saw(const QString& status)
    {
        std::string seen;
        for (const std::string& box : Errors)
            seen += "box: " + box + " | ";
        Errors.clear();
        return seen + status.toStdString();
    }
    std::string SawMain() { return Saw(Form->Label2->text() + " | " + Form->StatusBar1->text()); }

    // The text with the other board's device number for "=<other>".
    std::string Numbered(std::string text) const
    {
        const std::string name = "=<other>";
        for (size_t at; Other && (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), "=" + std::to_string(Fs.DeviceNumber(*Other)));
        return text;
    }

    bool ChosenMakesShown() const
    {
        return Fs.IsPlugged(*Board) && std::abs(Board->OutputMHz() * 1e6 - OutputFor(*Board, 14000000)) < 1;
    }
    int OtherGot() const { return Other ? FrequencyRequests(*Other) : 0; }

    // quorvexctl as a script runs it, a process of its own: nothing kept from
    // an earlier run.
    std::string Ctl(std::vector<const char*> args)
    {
        args.insert(args.begin(), "quorvexctl");
        std::ostringstream out, err;
        TCtlEnvironment env{out, err};
        ResetDeviceLinkValues();
        const int status = RunQuorvexCtl(static_cast<int>(args.size()), args.data(), env);
        return "status " + std::to_string(status) + ": " + out.str() + err.str();
    }

    std::shared_ptr<VirtualBoard> Other;
    std::unique_ptr<TFormEEPROM> Editor;
    std::unique_ptr<TF_MEPT> Keyer;
};

struct TReplugRow {
    const char* Context;
    Boards Kind;
    TEpisode Expected;
};

TEST_F(Replug, WhichBoardGetsWhatAndWhatTheOperatorSees)
{
    using Episode = std::function<TEpisode(Boards)>;
    // Each context: start, unplug the chosen board, drive it while away, plug
    // it back, drive it again.
    const std::map<std::string, Episode> contexts = {
        {"online detect on",
         [this](Boards b) {
             Plug(b, true);
             Start();
             TEpisode e;
             Unplug();
             Form->Timer1Timer();
             e.Away = SawMain() + " | tip: " + Form->Shape1->toolTip().toStdString();
             PlugBack();
             Form->Timer1Timer();
             e.Back = SawMain();
             return e;
         }},
        {"online detect off",
         [this](Boards b) {
             Plug(b, false);
             Start();
             TEpisode e;
             Unplug();
             Click(Form->Edit1);
             Click(Form->Edit1);  // the box is not shown twice
             e.Away = Saw(Form->StatusBar1->text());
             PlugBack();
             Click(Form->Edit1);
             e.Back = Saw(Form->StatusBar1->text());
             return e;
         }},
        {"tool window open",
         [this](Boards b) {
             Plug(b, true);
             Start();
             Editor = std::make_unique<TFormEEPROM>();
             FormEEPROM = Editor.get();
             Form->EEPROMSetup1->trigger();
             TEpisode e;
             Unplug();
             Editor->ReadEEPROM2->trigger();
             e.Away = Saw(Editor->StatusBar1->text());
             PlugBack();
             Editor->ReadEEPROM2->trigger();
             e.Back = Saw(Editor->StatusBar1->text());
             Editor->close();
             return e;
         }},
        {"FSK keyed",
         [this](Boards b) {
             Plug(b, false);
             Start();
             Form->CheckBox1->setChecked(true);
             Form->Timer2Timer();
             TEpisode e;
             Unplug();
             Guarded([this] { Form->Timer2Timer(); });
             e.Away = Saw(QString(Form->CheckBox1->isChecked() ? "keying" : "not keying") + " | " +
                            Form->StatusBar1->text());
             PlugBack();
             Form->CheckBox1->setChecked(true);
             Guarded([this] { Form->Timer2Timer(); });
             e.Back = Saw(QString(Form->CheckBox1->isChecked() ? "keying" : "not keying") + " | " +
                            Form->StatusBar1->text());
             Form->CheckBox1->setChecked(false);
             return e;
         }},
        {"beacon running",
         [this](Boards b) {
             Plug(b, false);
             Start();
             Keyer = std::make_unique<TF_MEPT>();
             F_MEPT = Keyer.get();
             Keyer->EditCode->setText("8");  // symbol 8: the shown frequency
             QTest::mouseClick(Keyer->SpeedTransmit, Qt::LeftButton);
             const auto tick = [this] { Guarded([this] { Keyer->Timer1Timer(); }); };
             tick();
             TEpisode e;
             Unplug();
             tick();
             tick();
             tick();  // the code starts again: the schedule runs on
             e.Away = Saw(Keyer->StatusBar1->text());
             PlugBack();
             tick();
             e.Back = Saw(QString(Keyer->SpeedTransmit->isChecked() ? "transmitting" : "stopped") + " | " +
                            Keyer->StatusBar1->text());
             return e;
         }},
        {"quorvexctl",
         [this](Boards b) {
             Plug(b, false);
             TEpisode e;
             Unplug();
             e.Away = Ctl({"set", "14M"});
             PlugBack();
             e.Back = Ctl({"set", "14M"});
             return e;
         }},
    };
    const std::string notFound = "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !";
    const std::string otherThere = "The chosen board (serial 2) is not connected, but another board is present.";
    const std::string tuned = "f(SI570) = 14000000 Hz";
    const std::string away = "Board not found: the beacon keeps its schedule and goes on when the board is back.";
    const TReplugRow rows[] = {
        // Detection finds the board under its serial, or the first of the product where serials do not tell.
        {"online detect on", Boards::One, {"Synthesizer offline | board not found | tip: ",
                                           "Synthesizer online | " + tuned, 0, true}},
        {"online detect on", Boards::TwoDistinct,
         {"Synthesizer offline | " + otherThere + " Setup > General offers it. | tip: " + otherThere +
              " Setup > General offers it.",
          "2 synthesizers online | " + tuned, 0, true}},
        {"online detect on", Boards::TwoSharingASerial,
         {"Synthesizer online | " + tuned + " on USB Port ID=<other> | tip: In use: the board at USB Port "
                                            "ID=<other>; its serial number does not tell it from the others.",
          "2 synthesizers online | " + tuned + " on USB Port ID=<other>", 1, false}},
        {"online detect on", Boards::NoSerial, {"Synthesizer offline | board not found | tip: ",
                                                "Synthesizer online | " + tuned, 0, true}},
        // Without detection every click looks for the board; the box comes once per absence.
        {"online detect off", Boards::One, {"box: " + notFound + " | board not found", tuned, 0, true}},
        {"online detect off", Boards::TwoDistinct,
         {"box: " + notFound + " " + otherThere + " | " + otherThere + " Setup > General offers it.", tuned, 0,
          true}},
        {"online detect off", Boards::TwoSharingASerial,
         {"box: " + notFound + " | board not found", "board not found", 0, false}},
        {"online detect off", Boards::NoSerial,
         {"box: " + notFound + " | board not found", "board not found", 0, false}},
        // The EEPROM editor's read finds the board back, which first gets the shown frequency.
        {"tool window open", Boards::One, {notFound, "", 0, true}},
        {"tool window open", Boards::TwoDistinct, {notFound + " " + otherThere, "", 0, true}},
        {"tool window open", Boards::TwoSharingASerial, {notFound, notFound, 0, false}},
        {"tool window open", Boards::NoSerial, {notFound, notFound, 0, false}},
        // Keying ends with its board, and starts again on it once it is back.
        {"FSK keyed", Boards::One,
         {"box: FSK keying failed: the board has left the USB bus. | not keying | ", "keying | ", 0, true}},
        {"FSK keyed", Boards::TwoDistinct,
         {"box: FSK keying failed: the board has left the USB bus. | not keying | ", "keying | ", 0, true}},
        {"FSK keyed", Boards::TwoSharingASerial,
         {"box: FSK keying failed: the board has left the USB bus. | not keying | ",
          "not keying | FSK keying not started: board not found", 0, false}},
        {"FSK keyed", Boards::NoSerial,
         {"box: FSK keying failed: the board has left the USB bus. | not keying | ",
          "not keying | FSK keying not started: board not found", 0, false}},
        // The beacon runs on while the board is away: one box, a status text, and the next symbol reaches it.
        {"beacon running", Boards::One, {"box: " + notFound + " | " + away, "transmitting | ", 0, true}},
        {"beacon running", Boards::TwoDistinct,
         {"box: " + notFound + " " + otherThere + " | " + away, "transmitting | ", 0, true}},
        {"beacon running", Boards::TwoSharingASerial,
         {"box: " + notFound + " | " + away, "transmitting | " + away, 0, false}},
        {"beacon running", Boards::NoSerial,
         {"box: " + notFound + " | " + away, "transmitting | " + away, 0, false}},
        // A script names the board by the settings' serial; where serials do not tell, the first of the product.
        {"quorvexctl", Boards::One,
         {"status 2: quorvexctl: " + notFound + "\n", "status 0: " + tuned + "\n", 0, true}},
        {"quorvexctl", Boards::TwoDistinct,
         {"status 2: quorvexctl: " + notFound + " " + otherThere + "\n", "status 0: " + tuned + "\n", 0, true}},
        {"quorvexctl", Boards::TwoSharingASerial,
         {"status 0: " + tuned + "\n", "status 0: " + tuned + "\n", 1, true}},
        {"quorvexctl", Boards::NoSerial,
         {"status 2: quorvexctl: " + notFound + "\n", "status 0: " + tuned + "\n", 0, true}},
    };
    const char* names[] = {"one board", "two boards, distinct serials", "two boards, one serial", "no serial"};
    for (const TReplugRow& row : rows) {
        SCOPED_TRACE(std::string(row.Context) + " / " + names[static_cast<int>(row.Kind)]);
        ResetToNothing();
        Other.reset();
        const TEpisode seen = contexts.at(row.Context)(row.Kind);
        EXPECT_EQ(seen.Away, Numbered(row.Expected.Away));
        EXPECT_EQ(seen.Back, Numbered(row.Expected.Back));
        EXPECT_EQ(OtherGot(), row.Expected.OtherGot) << "the other board";
        EXPECT_EQ(ChosenMakesShown(), row.Expected.ChosenMakesShown)
            << "the chosen board makes " << Board->OutputMHz() << " MHz";
        EXPECT_EQ(Fs.OpenFiles(), Keyer && Keyer->Link.IsOpen() ? 1 : 0);
        Keyer.reset();
        F_MEPT = nullptr;
        Editor.reset();
        FormEEPROM = nullptr;
    }
}

}  // namespace
