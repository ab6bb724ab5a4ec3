// The keyer refuses, before it sends anything, a beacon whose symbols or off
// frequency the board cannot make; the status line says which and why.
#include "MeptFixture.h"

namespace {

using BeaconRefusals = MeptTest;

struct KeyerRefusal {
    const char* Name;
    const char* Code;
    const char* Spacing;   // Edit2, Hz
    const char* Off;       // Edit3, MHz
    double FrequencyHz;    // the main window's displayed frequency
    double OffsetMHz;
    int Grade;             // the speed grade the program holds: 0 A, 2 C
    const char* Status;    // "" when the beacon starts
};

TEST_F(BeaconRefusals, TransmitStartsOnlyWhenTheBoardCanMakeEveryFrequency)
{
    const KeyerRefusal rows[] = {
        {"off below zero", "89", "1", "-5", 10e6, 0, 0,
         "Beacon refused, nothing sent: the off frequency gives -5000000 Hz at the Si570, not a positive frequency"},
        {"off zero", "89", "1", "0", 10e6, 0, 0,
         "Beacon refused, nothing sent: the off frequency gives 0 Hz at the Si570, not a positive frequency"},
        {"spacing overflows", "0F", "1e308", "200", 10e6, 0, 0,
         "Beacon refused, nothing sent: symbol 0 gives -INF Hz at the Si570, not a finite frequency"},
        {"displayed frequency too low", "8", "1", "200", 1e6, 0, 0,
         "Beacon refused, nothing sent: symbol 8 gives 1000000 Hz at the Si570, beyond its reach (speed grade A)"},
        {"offset takes it below zero", "8X", "1", "200", 10e6, -20, 0,
         "Beacon refused, nothing sent: symbol 8 gives -10000000 Hz at the Si570, not a positive frequency"},
        {"grade C cannot make 300 MHz", "8", "1", "200", 300e6, 0, 2,
         "Beacon refused, nothing sent: symbol 8 gives 300000000 Hz at the Si570, beyond its reach (speed grade C)"},
        {"grade A can", "8", "1", "200", 300e6, 0, 0, ""},
        {"a skipped digit is not sent", "8P0", "2000000", "200", 10e6, 0, 0, ""},
    };
    OpenOnline();
    for (const KeyerRefusal& row : rows) {
        SCOPED_TRACE(row.Name);
        Frequency = row.FrequencyHz;
        Offset = row.OffsetMHz;
        SpeedGrade = row.Grade;
        Keyer->Edit2->setText(row.Spacing);
        Keyer->Edit3->setText(row.Off);
        const double offBefore = Keyer->OffFrequency;
        Board->Log.clear();
        Transmit(row.Code);
        if (Keyer->Timer1->isActive())
            Tick(2);

        const bool refused = *row.Status != 0;
        EXPECT_EQ(Keyer->StatusBar1->text().toStdString(), row.Status);
        EXPECT_EQ(Keyer->SpeedTransmit->isChecked(), !refused);
        EXPECT_EQ(Keyer->Timer1->isActive(), !refused);
        EXPECT_EQ(SentFrequencies().empty(), refused) << "nothing is sent for a refused beacon";
        if (refused) {
            EXPECT_EQ(Keyer->OffFrequency, offBefore) << "a later stop sends the off frequency that was accepted";
        } else {
            ClickTransmit();
        }
        EXPECT_TRUE(Errors.empty());
    }
}

TEST_F(BeaconRefusals, AnOffFrequencyChangedDuringTheBeaconStopsItWhenTheCodeStartsAgain)
{
    OpenOnline();
    Transmit("8", 1);
    Keyer->Edit3->setText("-1");
    Board->Log.clear();
    Tick();  // the code ran out: this tick starts it again with the fields as they are now
    EXPECT_FALSE(Keyer->SpeedTransmit->isChecked());
    EXPECT_FALSE(Keyer->Timer1->isActive());
    EXPECT_TRUE(SentFrequencies().empty());
    EXPECT_EQ(Keyer->StatusBar1->text().toStdString(),
              "Beacon refused, nothing sent: the off frequency gives -1000000 Hz at the Si570, not a positive "
              "frequency");
    EXPECT_DOUBLE_EQ(Keyer->OffFrequency, 200e6);

    // Mended, the next start goes out and the refusal is gone.
    Keyer->Edit3->setText("200");
    ClickTransmit();
    Tick();
    EXPECT_EQ(Keyer->StatusBar1->text().toStdString(), "");
    EXPECT_EQ(SentFrequencies().size(), 1u);
}

}  // namespace
