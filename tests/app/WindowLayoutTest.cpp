// Every window as the operator sees it, at the desktop fonts and palettes
// users run: nothing overlaps, no text is cut off, every window is on the
// screen and its text reads against its background. The scale factor is the
// process's own (QT_SCALE_FACTOR): the test runs once per scale.
// With QUORVEX_SCREENSHOT_DIR set, each window is also saved there at 11 pt.
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <functional>

#include "AppFixture.h"
#include "BeaconDriver.h"
#include "LayoutCheck.h"
#include "app/Program.h"
#include "app/UAbout.h"
#include "app/demo/UVirtualBoard.h"
#include "flash/UFlash.h"
#include "memory/UEEPROM.h"
#include "memory/UEEPROM_Orvel.h"
#include "mept/U_MEPT.h"
#include "net/UNetControl.h"
#include "setup/USetUp.h"
#include "support/FileDialogs.h"
#include "support/ReadableColour.h"
#include "wspr/UWspr.h"

namespace {

QPalette DarkPalette()
{
    QPalette dark;
    const QColor window(0x35, 0x35, 0x35), base(0x23, 0x23, 0x23), text(0xEE, 0xEE, 0xEE);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, Qt::red);
    dark.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
    dark.setColor(QPalette::Mid, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    return dark;
}

struct Palette {
    const char* Name;
    std::function<QPalette()> Make;
};

const Palette Palettes[] = {
    {"light", [] { return QApplication::style()->standardPalette(); }},
    {"dark", DarkPalette},
};
constexpr int FontSizes[] = {9, 10, 11, 12};

// The scale this process runs at, as the screenshots' names give it.
QString ScaleTag()
{
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
    return scale == "1" ? QString() : "-" + scale + "x";
}

class WindowLayout : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        // A question box would wait for an answer no one gives.
        UnwrittenEditsHook = [](const std::string&) { return TUnwrittenChoice::Discard; };
    }

    void TearDown() override
    {
        UnwrittenEditsHook = nullptr;
        FileDialogHook = nullptr;
        FlashSleepHook = nullptr;
        VirtualBoardWindow.reset();
        Windows.reset();
        ::unsetenv("XDG_DATA_HOME");
        AppTest::TearDown();
    }

    // The program's windows against two boards, the first one's EEPROM all
    // 0xFF (the widest values), started with online detection on.
    void CreateWindows()
    {
        Board = PlugBoard(u"VELNOR-I2C", u"1");
        Board->Eeprom.fill(0xFF);
        Fs.Plug(MakeBoard(u"VELNOR-I2C", u"2"));
        WriteSettings({{"OnlineDetect=", "1"}});
        Windows = std::make_unique<TProgramWindows>();
        Windows->Create();
        Form.reset();
        VirtualBoardWindow = std::make_unique<TFormVirtualBoard>(Fs, Board);
        VirtualBoardWindow->PlaceBeside(*Windows->Main);
    }

    void DestroyWindows()
    {
        VirtualBoardWindow.reset();
        Windows.reset();
        ResetToNothing();
    }

    // Checks a shown window; at 11 pt in the light palette also saves it.
    void Check(QWidget& window, const char* name, const LayoutExceptions& exceptions = {})
    {
        QApplication::processEvents();
        for (const std::string& problem : LayoutProblems(window, exceptions))
            Problems.push_back(Cell + " " + name + ": " + problem);
        ++Views;
        const QString dir = qEnvironmentVariable("QUORVEX_SCREENSHOT_DIR");
        if (!dir.isEmpty() && Cell == "light 11pt")
            SaveScreenshot(window, QDir(dir).filePath(QString("%1-11pt%2.png").arg(name, ScaleTag())));
    }

    static void SaveScreenshot(QWidget& window, const QString& file)
    {
        // Few colours keep the files small; text stays sharp.
        const QImage image = window.grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        EXPECT_TRUE(image.save(file, "PNG", 0)) << file.toStdString();
    }

    std::unique_ptr<TProgramWindows> Windows;
    std::unique_ptr<TFormVirtualBoard> VirtualBoardWindow;
    TBeaconDriver WsprClocks;  // the beacon window's clocks, until the window is closed
    std::string Cell;
    std::vector<std::string> Problems;
    int Views = 0;
};

// The main window with its longest texts: two boards online, a long value set.
void ShowMain(TFormMain& main)
{
    main.Timer1Timer();  // two boards online
    main.Edit1->setText("159.999999999");
    main.Edit1_Exit();
}

// The beacon window mid-transmission of the longest message: a compound
// callsign and a six-character locator; then the beacon stops. The window
// asks driver for the time until it is closed, so driver must outlive the call.
void RunWsprBeacon(TFormWspr& wspr, TBeaconDriver& driver)
{
    driver = {};
    wspr.SteadyNowHook = [&] { return driver.Now; };
    wspr.UtcNowHook = [&] { return driver.Utc(); };
    wspr.EditCall->setText("PJ4/K1ABC");
    wspr.EditLocator->setText("FN42AX");
    wspr.ButtonStart->click();
    while (wspr.Beacon && wspr.Beacon->SymbolClock().LastSent() < 70) {
        driver.Now = std::max(driver.Now, wspr.Beacon->NextWake());
        wspr.Timer2Timer();
    }
    wspr.Timer1Timer();
}

TEST_F(WindowLayout, NothingOverlapsOrIsCutOffAtEveryFontAndPalette)
{
    ::setenv("XDG_DATA_HOME", (WorkDir / "data").c_str(), 1);
    // Each window opened as the operator opens it, with its longest texts.
    const struct {
        const char* Name;
        std::function<QWidget*()> Show;
        std::function<LayoutExceptions()> Exceptions;
    } views[] = {
        {"main-window",
         [this] {
             ShowMain(*Windows->Main);
             return Windows->Main.get();
         },
         {}},
        {"setup",
         [this] {
             FormMain->Setup1Click();
             ShowSetupsLongestTexts(*Windows->SetUp);
             return Windows->SetUp.get();
         },
         [this] {
             const TFormSetUp& setup = *Windows->SetUp;
             return LayoutExceptions{.Scrolls = {setup.ListBox1, setup.Edit7},
                                     .BeyondEdge = {setup.ListBox1, setup.Button5, setup.Edit7, setup.ComboDevs}};
         }},
        {"about-box",
         [this] {
             Windows->Main->About1Click();
             return Windows->About.get();
         },
         {}},
        {"eeprom-editor",
         [this] {
             Windows->Main->EEPROMSetup1->trigger();
             Windows->EEPROM->readEEPROM1->trigger();  // the message naming the backup
             return Windows->EEPROM.get();
         },
         {}},
        {"eeprom-filter-board",
         [this] {
             Windows->Main->EEPROM_Orvel->trigger();
             return Windows->EEPROM_Orvel.get();
         },
         {}},
        {"flash",
         [this] {
             Windows->Main->Flash1->trigger();
             Windows->Flash->Button1->click();
             return Windows->Flash.get();
         },
         {}},
        {"mept",
         [this] {
             Windows->Main->MEPT1Click();
             // The longest status: a beacon refused for an off frequency out of reach.
             Windows->MEPT->Edit3->setText("2000");
             Windows->MEPT->SpeedTransmit->click();
             Windows->MEPT->Edit3->setText("200");
             return Windows->MEPT.get();
         },
         [this] { return LayoutExceptions{.Scrolls = {Windows->MEPT->EditCode}, .BeyondEdge = {}}; }},
        {"wspr-beacon",
         [this] {
             Windows->Main->WSPR1->trigger();
             RunWsprBeacon(*Windows->Wspr, WsprClocks);
             return Windows->Wspr.get();
         },
         {}},
        {"network-control",
         [this] {
             Windows->Main->NetControl1->trigger();
             // Listening everywhere: the warning shows too.
             Windows->NetControl->EditListen->setText("0.0.0.0:0");
             Windows->NetControl->ButtonStart->click();
             return Windows->NetControl.get();
         },
         {}},
        {"virtual-board",
         [this] {
             VirtualBoardWindow->show();
             return VirtualBoardWindow.get();
         },
         {}},
    };
    const QFont desktopFont = QApplication::font();
    const QPalette desktopPalette = QApplication::palette();
    for (const Palette& palette : Palettes)
        for (const int points : FontSizes) {
            Cell = std::string(palette.Name) + " " + std::to_string(points) + "pt";
            SCOPED_TRACE(Cell);
            QApplication::setPalette(palette.Make());
            QFont font = desktopFont;
            font.setPointSize(points);
            QApplication::setFont(font);
            CreateWindows();
            for (const auto& view : views) {
                QWidget* window = view.Show();
                Check(*window, view.Name, view.Exceptions ? view.Exceptions() : LayoutExceptions{});
                if (window != Windows->Main.get())
                    window->close();
            }
            EXPECT_EQ(Errors, std::vector<std::string>{});
            DestroyWindows();
        }
    QApplication::setFont(desktopFont);
    QApplication::setPalette(desktopPalette);

    // The measure: views checked at this scale, and what was found.
    std::cout << "[ layout   ] " << Views << " window views at scale "
              << qEnvironmentVariable("QT_SCALE_FACTOR", "1").toStdString() << ", " << Problems.size()
              << " problems\n";
    EXPECT_EQ(Views, 10 * 4 * 2);
    for (const std::string& problem : Problems)
        ADD_FAILURE() << problem;
}

TEST_F(WindowLayout, VirtualBoardOpensOnTheScreenWhereverTheMainWindowIs)
{
    CreateWindows();
    const QRect screen = Windows->Main->screen()->availableGeometry();
    const QSize main = Windows->Main->frameGeometry().size();
    const struct {
        const char* Name;
        QPoint MainAt;
    } cases[] = {
        {"top left", screen.topLeft()},
        {"against the right edge", QPoint(screen.right() + 1 - main.width(), screen.top() + 40)},
        {"in the bottom right corner", screen.bottomRight() + QPoint(1, 1) - QPoint(main.width(), main.height())},
        {"partly above the screen", QPoint(screen.left() + 100, screen.top() - 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Windows->Main->move(c.MainAt);
        VirtualBoardWindow->PlaceBeside(*Windows->Main);
        VirtualBoardWindow->show();
        QApplication::processEvents();
        EXPECT_TRUE(screen.contains(VirtualBoardWindow->frameGeometry()))
            << VirtualBoardWindow->frameGeometry().x() << "," << VirtualBoardWindow->frameGeometry().y();
        if (c.MainAt == screen.topLeft()) {
            EXPECT_GT(VirtualBoardWindow->x(), Windows->Main->frameGeometry().right()) << "beside, where there is room";
        }
        VirtualBoardWindow->hide();
    }
}

TEST_F(WindowLayout, ColouredTextStaysReadableWhenTheDesktopPaletteChanges)
{
    const QPalette desktop = QApplication::palette();
    QApplication::setPalette(Palettes[0].Make());
    CreateWindows();
    const struct {
        const char* Name;
        QWidget* Control;
        QPalette::ColorRole Text, Back;
        QColor Light;  // the colour on the light palette, as designed
    } coloured[] = {
        {"about title", Windows->About->Label1, QPalette::WindowText, QPalette::Window, QColor(0, 0, 128)},
        {"flasher listing", Windows->Flash->ListBox1, QPalette::Text, QPalette::Base, QColor(Qt::blue)},
        {"calibration warning", Windows->SetUp->Label12, QPalette::WindowText, QPalette::Window, QColor(Qt::red)},
    };
    for (const Palette& palette : {Palettes[1], Palettes[0]}) {
        QApplication::setPalette(palette.Make());
        for (const auto& c : coloured) {
            SCOPED_TRACE(std::string(palette.Name) + " " + c.Name);
            const QColor text = c.Control->palette().color(c.Text);
            EXPECT_GE(ContrastRatio(text, c.Control->palette().color(c.Back)), ReadableContrast);
            // Still the designed hue: the strongest channel stays the strongest.
            const auto strongest = [](const QColor& colour) {
                const int channels[] = {colour.red(), colour.green(), colour.blue()};
                return std::max_element(std::begin(channels), std::end(channels)) - std::begin(channels);
            };
            EXPECT_EQ(strongest(text), strongest(c.Light));
            if (palette.Name == std::string("light") && c.Light != QColor(Qt::red)) {
                EXPECT_EQ(text, c.Light) << "unchanged where it reads as designed";
            }
        }
    }
    EXPECT_TRUE(QFontInfo(Windows->SetUp->ListBox1->font()).fixedPitch()) << "the descriptor report's columns line up";
    QApplication::setPalette(desktop);
}

}  // namespace
