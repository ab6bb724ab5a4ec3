// Network control in the windows program: the real main window tuned by
// station programs' clients on loopback, offscreen, against the virtual
// board; what the operator sees in both windows and what the board received.
// The server lives in the windows' event loop, so each exchange runs it
// while the client waits for its answer.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/socket.h>

#include "AppFixture.h"
#include "BeaconDriver.h"
#include "RigClient.h"
#include "mept/U_MEPT.h"
#include "net/NetControlSettings.h"
#include "net/UNetControl.h"
#include "support/NumberText.h"
#include "wspr/UWspr.h"

namespace {

class NetWindowTest : public AppTest {
protected:
    std::unique_ptr<TFormNetControl> Window;

    void TearDown() override
    {
        Window.reset();
        FormNetControl = nullptr;
        AppTest::TearDown();
    }

    // The main window on a board at 14 MHz, network control listening on a
    // free port of loopback.
    void Open()
    {
        StartOnline();
        Listen("127.0.0.1:0");
        ASSERT_TRUE(Window->Server().IsListening()) << Window->StatusBar1->text().toStdString();
    }

    void MakeWindow()
    {
        Window = std::make_unique<TFormNetControl>();
        FormNetControl = Window.get();
    }

    // The address typed in and Start pressed, as the operator does.
    void Listen(const QString& address)
    {
        if (!Window)
            MakeWindow();
        Window->EditListen->setText(address);
        Click(Window->ButtonStart);
    }

    quint16 Port() const { return Window->Server().Port(); }

    // Runs the event loop until done, for up to 5 s.
    static bool Until(const std::function<bool()>& done)
    {
        for (int i = 0; i < 5000; ++i) {
            if (done())
                return true;
            QTest::qWait(1);
        }
        return false;
    }

    // One write of the bytes, and what the client's next read brings.
    static std::string Ask(TRigClient& client, const std::string& bytes)
    {
        EXPECT_TRUE(client.Send(bytes));
        std::string reply;
        Until([&] { return !(reply = client.ReadOnce(0)).empty(); });
        return reply;
    }

    // What the Si570's registers make, with the program's crystal.
    double BoardHz() const { return RegisterOutputMHz(Board->Registers, FxtalMHz) * 1e6; }
    std::string Clients() const { return Window->LabelClients->text().toStdString(); }
};

// F sets the frequency the field shows, in the field's unit, through the
// multiplier and offset, exactly as typing it: the field, the status bar and
// the board say so, and f tells it back.
TEST_F(NetWindowTest, AClientTunesTheMainWindowAsTypingDoes)
{
    Open();
    TRigClient client(Port());
    struct Case {
        const char* What;
        int Unit;
        double Multiplier;
        double OffsetMHz;
        std::string Line;
        std::string Reply;
        std::string Field;
        double Si570Hz;
        std::string Get;
    };
    const Case cases[] = {
        {"in MHz", 2, 1, 0, "F 7074000\n", "RPRT 0\n", "7.074", 7074000, "7074000\n"},
        {"as gpredict writes it, in kHz", 1, 1, 0, "F   10136000\n", "RPRT 0\n", "10136", 10136000, "10136000\n"},
        {"long form, extended answer, in Hz", 0, 1, 0, "+\\set_freq 3573000.25\n", "set_freq: 3573000.25\nRPRT 0\n",
         "3573000.25", 3573000.25, "3573000\n"},
        {"through a quadrature mixer", 2, 4, 0, "F 3518500\n", "RPRT 0\n", "3.5185", 14074000, "3518500\n"},
        {"through a converter's offset", 2, 1, -116, "F 144174000\n", "RPRT 0\n", "144.174", 28174000,
         "144174000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Multiplier = c.Multiplier;
        Offset = c.OffsetMHz;
        Form->ComboBox1->setCurrentIndex(c.Unit);
        Board->Log.clear();
        EXPECT_EQ(Ask(client, c.Line), c.Reply);
        EXPECT_EQ(EditText(), c.Field);
        EXPECT_EQ(StatusText(), "f(SI570) = " + FormatGeneral(c.Si570Hz) + " Hz");
        EXPECT_EQ(FrequencyRequests(*Board), 1) << "one transfer a frequency";
        EXPECT_NEAR(BoardHz(), c.Si570Hz, 0.01);
        EXPECT_EQ(Ask(client, "f\n"), c.Get);
    }
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

// Refused before anything changes: not the field, not the frequency a board
// found later would get, not the board.
TEST_F(NetWindowTest, AFrequencyTheBoardCannotMakeChangesNothing)
{
    Open();
    TRigClient client(Port());
    ASSERT_EQ(Ask(client, "F 14074000\n"), "RPRT 0\n");
    Board->Log.clear();
    const std::string status = StatusText();
    const struct {
        const char* Line;
        double Multiplier;
    } cases[] = {
        {"F 1000\n", 1},     {"F 2e9\n", 1},     {"F -7074000\n", 1},     {"F 1e300\n", 1},
        {"F 0\n", 1},  // 0 would send the Si570 back to its start-up frequency
        {"F 14074000\n", 1000},  // the field could show it; the Si570 cannot make 14 GHz
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        Multiplier = c.Multiplier;
        EXPECT_EQ(Ask(client, c.Line), "RPRT -1\n");
        EXPECT_EQ(EditText(), "14.074");
        EXPECT_EQ(Frequency, 14074000);
        EXPECT_EQ(WantedFrequencyHz, 14074000);
        EXPECT_EQ(StatusText(), status);
        EXPECT_EQ(FrequencyRequests(*Board), 0);
        Multiplier = 1;
        EXPECT_EQ(Ask(client, "f\n"), "14074000\n");
    }
}

// The client is told the board did not get it; the window takes the
// frequency as typing does (a board found later gets it) and says why in its
// status bar, never in a box that would wait for the operator.
TEST_F(NetWindowTest, ABoardThatIsAwayOrFailsIsAnErrorTheStatusBarExplains)
{
    const auto status = [this] { return StatusText(); };
    const struct {
        const char* What;
        std::function<void()> Break;
        std::function<std::string()> Said;
        std::string Text;
    } cases[] = {
        {"unplugged", [this] { Fs.Unplug(*Board); }, status, "board not found"},
        {"stalling", [this] { Board->FailRequest[0x30] = EPIPE; }, status, "Broken pipe"},
        {"found missing by online detection",
         [this] {
             Fs.Unplug(*Board);
             Form->CheckBox2->setChecked(true);
             Form->Timer1Timer();
         },
         [this] { return Form->Label2->text().toStdString(); }, "Synthesizer offline"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Window.reset();
        ResetToNothing();
        Open();
        TRigClient client(Port());
        c.Break();
        EXPECT_EQ(Ask(client, "F 7074000\n"), "RPRT -6\n");
        EXPECT_EQ(EditText(), "7.074");
        EXPECT_EQ(WantedFrequencyHz, 7074000);
        EXPECT_NE(c.Said().find(c.Text), std::string::npos) << c.Said();
        EXPECT_EQ(StatusText().find("7074000"), std::string::npos) << "nothing claims it was set";
        EXPECT_EQ(Errors, std::vector<std::string>{});
        Board->FailRequest.clear();
        HealAndFindBoard();
        Form->CheckBox2->setChecked(false);
        EXPECT_EQ(Ask(client, "F 10136000\n"), "RPRT 0\n") << "the same connection goes on";
        EXPECT_NEAR(BoardHz(), 10136000, 0.01);
    }
}

// While keying, a beacon or a tool window holds the board, a client's
// frequency would cut into it: refused (-9) and nothing sent.
TEST_F(NetWindowTest, WhileSomethingElseHoldsTheBoardEveryFrequencyIsRefused)
{
    Open();
    TRigClient client(Port());
    QWidget tool;
    TF_MEPT keyer;
    F_MEPT = &keyer;
    TFormWspr wspr;
    FormWspr = &wspr;
    TBeaconDriver driver;
    wspr.SteadyNowHook = [&] { return driver.Now; };
    wspr.UtcNowHook = [&] { return driver.Utc(); };
    const struct {
        const char* What;
        std::function<void()> Hold, Release;
    } cases[] = {
        {"FSK keying", [&] { Form->CheckBox1->setChecked(true); }, [&] { Form->CheckBox1->setChecked(false); }},
        {"a tool window", [&] { Form->ShowToolWindow(&tool); },
         [&] {
             tool.hide();
             Form->EndToolWindow();
         }},
        {"the MEPT beacon", [&] { keyer.SpeedTransmit->click(); }, [&] { keyer.SpeedTransmit->click(); }},
        {"the WSPR beacon",
         [&] {
             wspr.EditCall->setText("K1ABC");
             wspr.EditLocator->setText("FN42");
             wspr.ButtonStart->click();
         },
         [&] { wspr.ButtonStart->click(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        c.Hold();
        Board->Log.clear();
        EXPECT_EQ(Ask(client, "F 7074000\n"), "RPRT -9\n");
        EXPECT_EQ(FrequencyRequests(*Board), 0);
        EXPECT_EQ(EditText(), "14");
        EXPECT_EQ(Ask(client, "f\n"), "14000000\n");
        c.Release();
        EXPECT_EQ(Ask(client, "F 7074000\n"), "RPRT 0\n") << "taken again once it is let go";
        EXPECT_EQ(Ask(client, "F 14000000\n"), "RPRT 0\n");
    }
    F_MEPT = nullptr;
    FormWspr = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(NetWindowTest, TheWindowShowsWhereItListensAndHowManyClientsThereAre)
{
    StartOnline();
    MakeWindow();
    Form->NetControl1->trigger();  // Special > Network control
    EXPECT_TRUE(Window->isVisible());
    EXPECT_EQ(Window->EditListen->text(), "127.0.0.1:4532") << "this computer alone, the customary port";
    EXPECT_EQ(Window->LabelState->text(), "Stopped");

    Listen("127.0.0.1:0");
    const std::string where = "127.0.0.1:" + std::to_string(Port());
    EXPECT_EQ(Window->LabelState->text().toStdString(), "Listening on " + where);
    EXPECT_EQ(Window->ButtonStart->text(), "Stop");
    EXPECT_FALSE(Window->EditListen->isEnabled());
    EXPECT_EQ(Window->LabelWarning->text(), "");
    EXPECT_EQ(Clients(), "0 clients connected");
    auto first = std::make_unique<TRigClient>(Port());
    TRigClient second(Port());
    EXPECT_TRUE(Until([&] { return Clients() == "2 clients connected"; })) << Clients();
    first->Send("q\n");
    EXPECT_TRUE(Until([&] { return Clients() == "1 client connected"; })) << Clients();

    const quint16 port = Port();
    Click(Window->ButtonStart);  // Stop: the clients go too
    EXPECT_EQ(Window->LabelState->text(), "Stopped");
    EXPECT_EQ(Window->ButtonStart->text(), "Start");
    EXPECT_EQ(Clients(), "");
    EXPECT_TRUE(Window->EditListen->isEnabled());
    EXPECT_TRUE(second.Ended());
    EXPECT_FALSE(TRigClient(port).Connected());

    Listen("0.0.0.0:0");  // every network this computer is on
    EXPECT_TRUE(Window->LabelWarning->text().startsWith("Warning: listening on 0.0.0.0:"))
        << Window->LabelWarning->text().toStdString();
    EXPECT_TRUE(Window->LabelWarning->isVisible());
    Click(Window->ButtonStart);
    EXPECT_EQ(Window->LabelWarning->text(), "");
    EXPECT_EQ(Beeps, 0);
}

TEST_F(NetWindowTest, AnAddressItCannotListenOnIsSaidAndNothingRuns)
{
    StartOnline();
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const QString inUse = "127.0.0.1:" + QString::number(taken.serverPort());
    const struct {
        QString Address;
        std::string Status;
    } cases[] = {
        {"radio.example.org:4532", "\"radio.example.org:4532\" is not an address to listen on"},
        {"127.0.0.1:70000", "\"70000\" is not a port"},
        {inUse, "Cannot listen on " + inUse.toStdString() + ": "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Address.toStdString());
        Beeps = 0;
        Listen(c.Address);
        EXPECT_TRUE(Window->StatusBar1->text().toStdString().starts_with(c.Status))
            << Window->StatusBar1->text().toStdString();
        EXPECT_FALSE(Window->Server().IsListening());
        EXPECT_FALSE(Window->ButtonStart->isChecked());
        EXPECT_EQ(Window->LabelState->text(), "Stopped");
        EXPECT_EQ(Beeps, 1);
    }
}

// A client that sends half a line, one that says nothing and one that
// floods without reading its replies: the others are answered, the operator
// tunes by typing, and the windows keep running.
TEST_F(NetWindowTest, ClientsThatMisbehaveDisturbNeitherTheOthersNorTheWindows)
{
    Open();
    TRigClient half(Port()), silent(Port()), deaf(Port()), good(Port());
    ASSERT_TRUE(half.Send("F 70"));
    const int small = 4096;
    ::setsockopt(deaf.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string dumps;
    for (int i = 0; i < 1000; ++i)
        dumps += "\\dump_state\n";
    // Its sends block once the buffers are full, and fail once it is dropped.
    std::thread flood([&] {
        for (int i = 0; i < 2000 && deaf.Send(dumps); ++i) {
        }
    });
    EXPECT_EQ(Ask(good, "F 7074000\n"), "RPRT 0\n");
    TypeKeys("1");
    EXPECT_EQ(EditText(), "7.0741");
    EXPECT_NEAR(BoardHz(), 7074100, 0.01);
    EXPECT_EQ(Ask(good, "f\n"), "7074100\n");
    EXPECT_TRUE(Until([&] { return Window->StatusBar1->text().endsWith("does not read its replies"); }))
        << Window->StatusBar1->text().toStdString();
    flood.join();
    EXPECT_TRUE(Until([&] { return Clients() == "3 clients connected"; })) << Clients();
    EXPECT_EQ(Ask(good, "F 7074000\n"), "RPRT 0\n");
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

// The address and whether it listened are kept after every older line; the
// next start listens again. Files of older programs start it stopped.
TEST_F(NetWindowTest, TheAddressAndTheServerStateComeBackAtTheNextStart)
{
    Open();
    QTcpServer probe;  // a port free now, for the next start to take again
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    Click(Window->ButtonStart);
    Listen("127.0.0.1:" + QString::number(port));
    ASSERT_TRUE(Window->Server().IsListening());
    ASSERT_TRUE(Form->close());
    const std::vector<std::string> lines = WrittenLines();
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[25].substr(0, 9), "WSPR_Off=") << "the older lines first, as before";
    EXPECT_EQ(lines[26], "NetListen=127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(lines[27], "NetControl=1");

    Window.reset();
    ResetToNothing();
    std::filesystem::copy_file(ExeDir / "Quorvex.ini", WorkDir / "Quorvex.ini",
                               std::filesystem::copy_options::overwrite_existing);
    Start();
    MakeWindow();
    EXPECT_TRUE(Window->Server().IsListening());
    EXPECT_EQ(Window->Server().Port(), port);
    EXPECT_EQ(Window->EditListen->text().toStdString(), "127.0.0.1:" + std::to_string(port));
    EXPECT_FALSE(Window->isVisible());

    // Taken meanwhile: the window comes up and says why it is not listening.
    Window.reset();
    QTcpServer thief;
    ASSERT_TRUE(thief.listen(QHostAddress::LocalHost, port));
    MakeWindow();
    EXPECT_FALSE(Window->Server().IsListening());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_TRUE(Window->StatusBar1->text().startsWith("Cannot listen on 127.0.0.1:"));
    EXPECT_EQ(NetControlSettings.On, false);

    const struct {
        const char* What;
        const char* After;  // after the older lines and the WSPR beacon window's
        const char* Listen;
        bool On;
    } files[] = {
        {"an older program's file", "", "127.0.0.1:4532", false},
        {"stopped, elsewhere", "NetListen=[::1]:4533\r\nNetControl=0\r\n", "[::1]:4533", false},
        {"a newer program's line between", "NetListen=127.0.0.1:0\r\nNetUsers=2\r\nNetControl=1\r\n",
         "127.0.0.1:0", true},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.What);
        Window.reset();
        ResetToNothing();
        Board = PlugBoard();
        WriteSettings();
        std::ofstream(WorkDir / "Quorvex.ini", std::ios::binary | std::ios::app)
            << "WSPR_Call=K1ABC\r\nWSPR_Locator=FN42\r\nWSPR_Power=37\r\nWSPR_Dial=14.0956 (20 m)\r\n"
               "WSPR_Audio=1500\r\nWSPR_EveryNth=0\r\nWSPR_Share=20\r\nWSPR_Every=5\r\nWSPR_Off=200\r\n"
            << f.After;
        Start();
        MakeWindow();
        EXPECT_EQ(Window->EditListen->text().toStdString(), f.Listen);
        EXPECT_EQ(Window->Server().IsListening(), f.On);
        EXPECT_EQ(Frequency, 14000000) << "the older keys read as before";
    }
}

}  // namespace
