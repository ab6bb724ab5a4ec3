// Draws the WSPR beacon window as a user sees it against a virtual board,
// for the documentation: in the middle of a transmission.
// Usage: wspr_screenshots <output folder>
#include <QApplication>

#include "BeaconDriver.h"
#include "ScreenshotTool.h"
#include "app/Program.h"
#include "app/UQuorvex.h"
#include "support/Feedback.h"
#include "wspr/UWspr.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: wspr_screenshots <output folder>\n";
        return 2;
    }
    const auto board = PlugScreenshotBoard();  // before the first usb_init
    TQuorvexApp app(argc, argv);
    ErrorDisplayHook = [](const std::string& text) { std::cerr << text << "\n"; };

    TProgramWindows windows;
    windows.Create();
    windows.Main->WSPR1->trigger();
    TFormWspr& w = *FormWspr;
    TBeaconDriver driver;
    w.SteadyNowHook = [&] { return driver.Now; };
    w.UtcNowHook = [&] { return driver.Utc(); };
    w.EditCall->setText("K1ABC");
    w.EditLocator->setText("FN42");
    w.ButtonStart->click();
    while (w.Beacon && w.Beacon->SymbolClock().LastSent() < 70) {
        driver.Now = std::max(driver.Now, w.Beacon->NextWake());
        w.Timer2Timer();
    }
    w.Timer1Timer();
    QApplication::processEvents();
    SaveScreenshot(w, std::filesystem::absolute(argv[1]) / "wspr-beacon.png");
    return 0;
}
