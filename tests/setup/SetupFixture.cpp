#include "SetupFixture.h"

#include <QTest>

void SetupTest::SetUp()
{
    AppTest::SetUp();
    ResetWaitSleepHook = [this](int ms) { Pauses.push_back(ms); };
}

void SetupTest::TearDown()
{
    Dialog.reset();
    FormSetUp = nullptr;
    ResetWaitSleepHook = nullptr;
    AppTest::TearDown();
}

TFormSetUp& SetupTest::OpenDialog()
{
    if (!Form)
        Start();
    Dialog = std::make_unique<TFormSetUp>();
    FormSetUp = Dialog.get();
    return *Dialog;
}

TFormSetUp& SetupTest::OpenOnline()
{
    StartOnline();
    OpenDialog();
    Board->Log.clear();
    return *Dialog;
}

void SetupTest::TypeInto(QWidget* field, const std::string& keys)
{
    QTest::keyClicks(field, QString::fromStdString(keys));
}

void SetupTest::Retype(QLineEdit* field, const std::string& keys)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    TypeInto(field, keys);
}

void SetupTest::LeaveField(QWidget* field, Qt::FocusReason reason)
{
    QFocusEvent leave(QEvent::FocusOut, reason);
    QApplication::sendEvent(field, &leave);
}

int SetupTest::RequestCount(const VirtualBoard& board, uint8_t request)
{
    return static_cast<int>(
        std::count_if(board.Log.begin(), board.Log.end(), [request](const TransferRecord& t) { return t.Request == request; }));
}

std::vector<int> SetupTest::RequestValues(const VirtualBoard& board, uint8_t request)
{
    std::vector<int> values;
    for (const TransferRecord& t : board.Log)
        if (t.Request == request)
            values.push_back(t.Value);
    return values;
}

int SetupTest::EepromWrites(const VirtualBoard& board, int address)
{
    return static_cast<int>(std::count_if(board.Log.begin(), board.Log.end(), [address](const TransferRecord& t) {
        return t.RequestType == 0x40 && t.Request == 0x10 && t.Value == address;
    }));
}

uint32_t SetupTest::EepromWord(const VirtualBoard& board, int first)
{
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i)
        word = word << 8 | board.Eeprom[static_cast<size_t>(first + i)];
    return word;
}
