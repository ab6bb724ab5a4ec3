#include "app/Program.h"

#include <QIcon>
#include <QLocale>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <clocale>
#include <sys/socket.h>
#include <unistd.h>

#include "app/UAbout.h"
#include "app/UQuorvex.h"
#include "flash/UFlash.h"
#include "memory/UEEPROM.h"
#include "memory/UEEPROM_Orvel.h"
#include "mept/U_MEPT.h"
#include "net/UNetControl.h"
#include "setup/USetUp.h"
#include "support/Feedback.h"
#include "wspr/UWspr.h"

TQuorvexApp::TQuorvexApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Quorvex");
    // The menu entry's id: Wayland ties a window to its menu entry by it; X11
    // by the window's class, the application name, which the entry names.
    setDesktopFileName("org.quorvex.Quorvex");
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(QString(":/icons/org.quorvex.Quorvex-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    // After the base constructor: it takes the locale from the environment.
    UseDotDecimalSeparator();
}

bool TQuorvexApp::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    Guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

void UseDotDecimalSeparator()
{
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
}

namespace {

// The signal handler only writes a byte; the message loop reads it.
int g_terminateFds[2] = {-1, -1};

void OnTerminateSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_terminateFds[0], &byte, 1);
}

// SIGTERM (session logout, service stop) and SIGHUP save the settings once and end
// the program whatever happens, even with a question box open.
void CloseOnTerminateSignal(TFormMain* main)
{
    if (g_terminateFds[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_terminateFds) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = OnTerminateSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGHUP, &action, nullptr);
    }
    auto* notifier = new QSocketNotifier(g_terminateFds[1], QSocketNotifier::Read, main);
    QObject::connect(notifier, &QSocketNotifier::activated, main, [main] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_terminateFds[1], &byte, 1);
        main->FormTerminate();
        QCoreApplication::exit(0);
    });
    // A logout through the session manager: it may end the program without a
    // close, so the settings are saved when it asks.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, main, [main] { main->SaveWithoutAsking(); });
}

}  // namespace

TProgramWindows::TProgramWindows() = default;

TProgramWindows::~TProgramWindows()
{
    FormMain = nullptr;
    FormSetUp = nullptr;
    FAbout = nullptr;
    FormEEPROM = nullptr;
    FormFlash = nullptr;
    F_MEPT = nullptr;
    FormEEPROM_Orvel = nullptr;
    FormWspr = nullptr;
    FormNetControl = nullptr;
}

void TProgramWindows::Create()
{
    Main = std::make_unique<TFormMain>();
    FormMain = Main.get();
    SetUp = std::make_unique<TFormSetUp>();
    FormSetUp = SetUp.get();
    SetUp->setAttribute(Qt::WA_QuitOnClose, false);
    About = std::make_unique<TFAbout>();
    FAbout = About.get();
    // Only the main window's closing ends the program.
    About->setAttribute(Qt::WA_QuitOnClose, false);
    EEPROM = std::make_unique<TFormEEPROM>();
    FormEEPROM = EEPROM.get();
    Flash = std::make_unique<TFormFlash>();
    FormFlash = Flash.get();
    MEPT = std::make_unique<TF_MEPT>();
    F_MEPT = MEPT.get();
    MEPT->setAttribute(Qt::WA_QuitOnClose, false);
    EEPROM_Orvel = std::make_unique<TFormEEPROM_Orvel>();
    FormEEPROM_Orvel = EEPROM_Orvel.get();
    Wspr = std::make_unique<TFormWspr>();
    FormWspr = Wspr.get();
    Wspr->setAttribute(Qt::WA_QuitOnClose, false);
    NetControl = std::make_unique<TFormNetControl>();
    FormNetControl = NetControl.get();
    NetControl->setAttribute(Qt::WA_QuitOnClose, false);
    CloseOnTerminateSignal(Main.get());
    Main->show();
}
