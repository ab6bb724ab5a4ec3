#include "MeptFixture.h"

#include <QTest>

#include "support/Feedback.h"
#include "usb/Si570.h"

void MeptTest::TearDown()
{
    Keyer.reset();
    F_MEPT = nullptr;
    AppTest::TearDown();
}

TF_MEPT& MeptTest::OpenKeyer()
{
    if (!Form)
        Start();
    Keyer = std::make_unique<TF_MEPT>();
    F_MEPT = Keyer.get();
    return *Keyer;
}

TF_MEPT& MeptTest::OpenOnline()
{
    StartOnline();
    SetEditText("10");
    Form->Edit1_Exit();
    OpenKeyer();
    Board->Log.clear();
    return *Keyer;
}

void MeptTest::ClickTransmit()
{
    QTest::mouseClick(Keyer->SpeedTransmit, Qt::LeftButton);
}

void MeptTest::Transmit(const char* code, int ticks)
{
    SetCode(code);
    ClickTransmit();
    Tick(ticks);
}

void MeptTest::Tick(int times)
{
    for (int i = 0; i < times; ++i)
        Guarded([this] { Keyer->Timer1Timer(); });
}

std::vector<double> MeptTest::SentFrequencies() const
{
    std::vector<double> sent;
    for (const TransferRecord& t : Board->Log)
        if (t.RequestType == 0x40 && t.Request == 0x30 && t.Result >= 0)
            sent.push_back(RegisterFrequency(t.Bytes));
    return sent;
}

double RegisterFrequency(const std::vector<uint8_t>& r)
{
    const int hs = HsDivOfCode(r[0] >> 5);
    const int n1 = ((r[0] & 0x1F) << 2 | r[1] >> 6) + 1;
    const uint32_t whole = (r[1] & 0x3Fu) << 4 | r[2] >> 4;
    const uint32_t frac = (r[2] & 0x0Fu) << 24 | r[3] << 16 | r[4] << 8 | r[5];
    return FxtalMHz * 1e6 * (whole + frac / 268435456.0) / (hs * n1);
}
