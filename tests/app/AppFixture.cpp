#include "AppFixture.h"

#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include <fstream>

#include "app/SettingsFile.h"
#include "net/NetControlSettings.h"
#include "support/Feedback.h"
#include "tests/common/UsbfsFaults.h"
#include "wspr/WsprFields.h"

void SendWheel(QWidget* widget, int angleDelta, Qt::KeyboardModifiers modifiers)
{
    const QPointF at(3, 4);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, angleDelta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(widget, &event);
}

void ResetMainWindowValues()
{
    static const std::string defaultCode = MEPT_Text;
    Frequency = Offset = Si570Frequency = 0;
    Multiplier = Increment = 1;
    UserInc = 12500;
    FskShift = 100;
    MemoryOn = 0;
    MEPT_Text = defaultCode;
    WsprFields = {};
    NetControlSettings = {};
    SendOnConnect = true;
    FskToggleGuard = false;
}

void AppTest::SetUp()
{
    UsbTest::SetUp();
    ResetMainWindowValues();

    std::string dir = (std::filesystem::temp_directory_path() / "quorvex-app-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    WorkDir = dir;
    ExeDir = WorkDir / "bin";
    std::filesystem::create_directory(ExeDir);
    WorkingDirHook = [this] { return WorkDir.string(); };
    ExecutableDirHook = [this] { return ExeDir.string(); };
    DirWritableHook = [this](const std::string& dir) { return dir != ExeDir.string() || ExeDirWritable; };
    qputenv("XDG_CONFIG_HOME", (WorkDir / "config").string().c_str());
    ConfigDir = WorkDir / "config" / "Quorvex";
    CloseUnsavedHook = [this](const std::string& error) {
        CloseQuestions.push_back(error);
        return CloseAnswer;
    };
    ErrorDisplayHook = [this](const std::string& text) { Errors.push_back(text); };
    BeepHook = [this] { ++Beeps; };
}

void AppTest::TearDown()
{
    FormMain = nullptr;
    Form.reset();
    WorkingDirHook = ExecutableDirHook = nullptr;
    DirWritableHook = nullptr;
    CloseUnsavedHook = nullptr;
    qunsetenv("XDG_CONFIG_HOME");
    ErrorDisplayHook = nullptr;
    BeepHook = nullptr;
    std::filesystem::remove_all(WorkDir);
    UsbTest::TearDown();
}

TFormMain& AppTest::Start()
{
    Form = std::make_unique<TFormMain>();
    FormMain = Form.get();  // as the program's windows reach it
    return *Form;
}

TFormMain& AppTest::StartOnline()
{
    Board = PlugBoard();
    WriteSettings();
    Start();
    Board->Log.clear();
    return *Form;
}

void AppTest::WriteSettings(const std::map<std::string, std::string>& values, const std::string& before)
{
    static const std::pair<const char*, const char*> defaults[] = {
        {"Frequency=", " 1.40000000000000E+0007"}, {"Unit=", "2"},
        {"Multiplier=", " 1.00000000000000E+0000"}, {"Offset=", " 0.00000000000000E+0000"},
        {"Increment=", " 1.00000000000000E+0000"}, {"I2CAddress=", "85"},
        {"F_Startup=", " 5.63200000000000E+0001"}, {"MemoryOn=", "0"},
        {"UserInc=", " 1.25000000000000E+0004"}, {"FSK-Shift=", " 1.00000000000000E+0002"},
        {"fcryst=", " 1.14285000000000E+0002"}, {"OnlineDetect=", "0"},
        {"Device=", "VELNOR-I2C"}, {"DevSerial=", "NONE"},
        {"DevNo=", "1"}, {"SpeedGrade=", "0"},
        {"MEPT_Text=", "0123"}};
    std::ofstream file(WorkDir / "Quorvex.ini", std::ios::binary);
    file << before;
    for (const auto& [key, value] : defaults) {
        const auto replaced = values.find(key);
        if (replaced == values.end())
            file << key << value << "\r\n";
        else if (replaced->second != "<missing>")
            file << key << replaced->second << "\r\n";
    }
}

std::vector<std::string> AppTest::WrittenLines() const
{
    std::ifstream file(ExeDir / "Quorvex.ini", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(file), {});
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_TRUE(text.ends_with("\r\n")) << "every line ends in CR LF";
    return lines;
}

void AppTest::ResetToNothing()
{
    Form.reset();
    FormMain = nullptr;
    Fs.Clear();
    ResetDeviceLinkValues();
    ResetMainWindowValues();
    Errors.clear();
}

void AppTest::HealAndFindBoard()
{
    HealBoard(Fs, Board);
    Form->CheckBox2->setChecked(true);
    Guarded([this] { Form->Timer1Timer(); });
    Form->CheckBox2->setChecked(false);
}

int AppTest::FrequencyRequests(const VirtualBoard& board)
{
    return static_cast<int>(std::count_if(board.Log.begin(), board.Log.end(), [](const TransferRecord& t) {
        return t.Request == 0x30 && t.RequestType == 0x40;
    }));
}

double AppTest::OutputFor(const VirtualBoard& board, double si570Hz)
{
    return si570Hz * board.Settings().TrueXtalMHz / FxtalMHz;
}

void AppTest::Click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void AppTest::TypeKeys(const std::string& keys)
{
    QTest::keyClicks(Form->Edit1, QString::fromStdString(keys));
}
