#pragma once
// What the program and the demo program share: the application with the
// default error display, and the windows created in their order.
#include <QApplication>

#include <memory>

class TFAbout;
class TFormMain;
class TFormSetUp;
class TFormEEPROM;
class TFormEEPROM_Orvel;
class TFormFlash;
class TF_MEPT;
class TFormWspr;
class TFormNetControl;

// Dot as decimal separator for all number text whatever the locale; an
// error that escapes an event handler goes to the default error display.
class TQuorvexApp : public QApplication {
public:
    TQuorvexApp(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

void UseDotDecimalSeparator();

// The windows live for the whole run. Create makes them in the documented
// order and shows the main window only; closing the main window ends the
// message loop, closing another only hides it.
class TProgramWindows {
public:
    TProgramWindows();
    ~TProgramWindows();

    void Create();

    std::unique_ptr<TFormMain> Main;
    std::unique_ptr<TFormSetUp> SetUp;
    std::unique_ptr<TFAbout> About;
    std::unique_ptr<TFormEEPROM> EEPROM;
    std::unique_ptr<TFormFlash> Flash;
    std::unique_ptr<TF_MEPT> MEPT;
    std::unique_ptr<TFormEEPROM_Orvel> EEPROM_Orvel;
    std::unique_ptr<TFormWspr> Wspr;
    std::unique_ptr<TFormNetControl> NetControl;  // last: its server tunes the main window
};
