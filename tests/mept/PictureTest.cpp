// The picture: lines at their computed places and colours, in the preview
// and during a transmission, which share one drawing state.
#include "MeptFixture.h"

namespace {

const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

}  // namespace

using Picture = MeptTest;

TEST_F(Picture, PreviewLinesSitAtTheirValueAndLastTheirLength)
{
    OpenKeyer();
    SetCode("08XF");
    // Graph size 3: a line of value n is centred on y = (17 - n) * 3 and 3 pixels thick.
    struct Probe {
        int X, Y;
        QColor Colour;
    } const probes[] = {
        {2, 51, Green}, {4, 51, Black}, {4, 27, Green}, {3, 26, Green}, {5, 28, Green}, {4, 25, Black}, {4, 29, Black},
        {6, 27, Black}, {7, 27, Black}, {8, 27, Black}, {9, 6, Green}, {11, 6, Green}, {12, 6, Black},
        {10, 3, Black}, {100, 27, Black}, {300, 40, Black},
        {0, 0, Green}, {599, 56, Green},  // the outline
    };
    for (const Probe& p : probes)
        EXPECT_EQ(Pixel(p.X, p.Y), p.Colour) << p.X << "," << p.Y;
    EXPECT_EQ(Keyer->Image->Canvas().size(), QSize(600, 57));
}

TEST_F(Picture, AfterAQTheRestIsRed)
{
    OpenKeyer();
    SetCode("8Q8q0");
    EXPECT_EQ(Pixel(2, 27), Green);
    EXPECT_EQ(Pixel(4, 27), Red);
    EXPECT_EQ(Pixel(7, 51), Red);
    SetCode("88");
    EXPECT_EQ(Pixel(4, 27), Green) << "a new preview starts green";
}

TEST_F(Picture, ALongCodeIsDrawnUpToTheRightEdge)
{
    OpenKeyer();
    SetCode(std::string(250, '8').c_str());
    EXPECT_EQ(Keyer->Drawing.GraphX, 750);
    EXPECT_EQ(Pixel(598, 27), Green);
    EXPECT_EQ(Keyer->Image->Canvas().width(), 600);
}

TEST_F(Picture, GraphSizeTwentyDrawsTwentyPixelsPerSymbol)
{
    OpenKeyer();
    SetCode("8F");
    Keyer->TrackBar1->setValue(20);
    EXPECT_EQ(Keyer->Image->Canvas().height(), 380);
    EXPECT_EQ(Keyer->centralWidget()->height(), Keyer->Image->geometry().bottom() + 1 + 10);
    EXPECT_EQ(Pixel(15, 180), Green);
    EXPECT_EQ(Pixel(15, 170), Green);
    EXPECT_EQ(Pixel(15, 189), Green);
    EXPECT_EQ(Pixel(15, 168), Black);
    EXPECT_EQ(Pixel(30, 40), Green);
    EXPECT_EQ(Pixel(45, 40), Black);
}

TEST_F(Picture, TheTransmissionDrawsSymbolBySymbolOnAClearedPicture)
{
    OpenOnline();
    SetCode("8F");
    EXPECT_EQ(Pixel(4, 6), Green);
    ClickTransmit();
    EXPECT_EQ(Pixel(4, 6), Black);
    EXPECT_EQ(Pixel(2, 27), Black);
    Tick();
    EXPECT_EQ(Pixel(2, 27), Green);
    EXPECT_EQ(Pixel(4, 6), Black);
    Tick();
    EXPECT_EQ(Pixel(4, 6), Green);
}

TEST_F(Picture, EditingDuringATransmissionDrawsOnFromThePreviewsEnd)
{
    OpenOnline();
    Transmit("8F", 1);
    SetCode("S18");  // preview: one line of two symbol times
    EXPECT_EQ(Keyer->Drawing.GraphX, 6);
    Tick();  // the running pass sends F, drawn after the preview with its length
    EXPECT_EQ(Keyer->Drawing.GraphX, 12);
    EXPECT_EQ(Pixel(7, 6), Green);
    EXPECT_EQ(Pixel(11, 6), Green);
    EXPECT_EQ(Keyer->Timer1->interval(), 1000) << "the timer keeps its own interval";
    EXPECT_EQ(Keyer->Transmission.PendingCode, "");
}
