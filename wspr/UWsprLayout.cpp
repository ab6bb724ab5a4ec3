// The beacon window's controls and where they sit.
#include <QStatusBar>

#include <algorithm>

#include "app/DesignLayout.h"
#include "wspr/UWspr.h"
#include "wspr/WsprTones.h"

namespace {

constexpr double DesignPpi = 96;

}  // namespace

void TFormWspr::CreateControls()
{
    setWindowTitle("WSPR beacon");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto label = [client](const char* caption) { return new QLabel(caption, client); };
    auto edit = [client](const char* text) { return new QLineEdit(text, client); };

    LabelCall = label("Callsign");
    EditCall = edit("");
    EditCall->setToolTip("K1ABC; with a prefix PJ4/K1ABC or a suffix K1ABC/P (then a 6-character locator)");
    LabelLocator = label("Locator");
    EditLocator = edit("");
    EditLocator->setToolTip("FN42, or FN42AX: a 6-character locator is sent in a second transmission");
    LabelPower = label("Power");
    ComboPower = new QComboBox(client);
    for (int dbm = 0; dbm <= 60; ++dbm)
        if (IsWsprPower(dbm))
            ComboPower->addItem(QString::number(dbm));
    LabelPowerUnit = label("dBm");
    LabelDial = label("Dial frequency");
    ComboBand = new QComboBox(client);
    ComboBand->setEditable(true);
    for (const TWsprBand& b : WsprBands)
        ComboBand->addItem(QString("%1 (%2)").arg(b.Mhz, b.Band));
    LabelDialUnit = label("MHz");
    LabelAudio = label("Audio offset");
    EditAudio = edit("");
    EditAudio->setToolTip("1400 to 1600 Hz above the dial frequency");
    LabelAudioUnit = label("Hz");
    RadioShare = new QRadioButton("Share of slots", client);
    EditShare = edit("");
    LabelShareUnit = label("%, chosen at random");
    RadioEvery = new QRadioButton("Every", client);
    EditEvery = edit("");
    LabelEveryUnit = label("th slot");
    SlotChoice = new QButtonGroup(this);
    SlotChoice->addButton(RadioShare);
    SlotChoice->addButton(RadioEvery);
    LabelOff = label("Off frequency");
    EditOff = edit("");
    EditOff->setToolTip("Where the board stays between transmissions; 0 for the Si570's start-up frequency");
    LabelOffUnit = label("MHz");
    ButtonStart = new QPushButton("Start", client);
    ButtonStart->setCheckable(true);
    LabelUtc = label("UTC");
    LabelClock = label("");
    LabelNext = label("Stopped");
    LabelSymbol = label("");
    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setRange(0, WsprSymbolCount);
    ProgressBar1->setValue(0);
    Picture = new TWsprPicture(client);
    StatusBar1 = new TStatusText(this);
    statusBar()->addWidget(StatusBar1, 1);
    Timer1 = new QTimer(this);
    Timer1->setInterval(250);
    Timer2 = new QTimer(this);
    Timer2->setSingleShot(true);
    Timer2->setTimerType(Qt::PreciseTimer);
}

// The message and the band on the left, the slots and the start on the
// right, the beacon's state below. A larger font pushes each column right
// of the one before it and widens the window with them.
void TFormWspr::PlaceControls()
{
    const TDesignScale design(*this, DesignPpi);
    const auto column = [&](std::initializer_list<QWidget*> captions, int gap) {
        int right = 0;
        for (QWidget* caption : captions)
            right = std::max(right, design.RightOf(caption, gap));
        return right;
    };
    const auto atLeast = [](QWidget* w, int x) { w->move(std::max(w->x(), x), w->y()); };

    design.PlaceFitting(LabelCall, 8, 12, 110, 21);
    design.PlaceFitting(LabelLocator, 8, 40, 110, 21);
    design.PlaceFitting(LabelPower, 8, 68, 110, 21);
    design.PlaceFitting(LabelDial, 8, 96, 110, 21);
    design.PlaceFitting(LabelAudio, 8, 124, 110, 21);
    const int fields = column({LabelCall, LabelLocator, LabelPower, LabelDial, LabelAudio}, 2);
    design.Place(EditCall, 120, 10, 110, 23);
    design.Place(EditLocator, 120, 38, 110, 23);
    design.Place(ComboPower, 120, 66, 60, 23);
    design.Place(ComboBand, 120, 94, 150, 23);
    design.Place(EditAudio, 120, 122, 60, 23);
    for (QWidget* field : std::initializer_list<QWidget*>{EditCall, EditLocator, ComboPower, ComboBand, EditAudio})
        atLeast(field, fields);
    design.PlaceFittingAfter(ComboPower, 6, LabelPowerUnit, 186, 68, 40, 21);
    design.PlaceFittingAfter(ComboBand, 6, LabelDialUnit, 276, 96, 40, 21);
    design.PlaceFittingAfter(EditAudio, 6, LabelAudioUnit, 186, 124, 40, 21);

    const int right = column({EditCall, EditLocator, LabelPowerUnit, LabelDialUnit, LabelAudioUnit}, 14);
    design.PlaceFitting(RadioShare, 330, 12, 120, 21);
    design.PlaceFitting(RadioEvery, 330, 40, 120, 21);
    design.PlaceFitting(LabelOff, 330, 68, 120, 21);
    for (QWidget* caption : std::initializer_list<QWidget*>{RadioShare, RadioEvery, LabelOff})
        atLeast(caption, right);
    const int rightFields = column({RadioShare, RadioEvery, LabelOff}, 2);
    design.Place(EditShare, 452, 10, 50, 23);
    design.Place(EditEvery, 452, 38, 50, 23);
    design.Place(EditOff, 452, 66, 70, 23);
    design.Place(ButtonStart, 452, 100, 110, 45);
    for (QWidget* field : std::initializer_list<QWidget*>{EditShare, EditEvery, EditOff, ButtonStart})
        atLeast(field, rightFields);
    design.PlaceFittingAfter(EditShare, 6, LabelShareUnit, 508, 12, 130, 21);
    design.PlaceFittingAfter(EditEvery, 6, LabelEveryUnit, 508, 40, 130, 21);
    design.PlaceFittingAfter(EditOff, 6, LabelOffUnit, 528, 68, 40, 21);

    design.PlaceFitting(LabelUtc, 8, 158, 630, 21);
    design.PlaceFitting(LabelClock, 8, 184, 630, 21);
    design.PlaceFitting(LabelNext, 8, 210, 630, 21);
    design.PlaceFitting(LabelSymbol, 8, 236, 630, 21);
    const int width = std::max(design(646), column({LabelShareUnit, LabelEveryUnit, LabelOffUnit, ButtonStart}, 8));
    for (QLabel* state : {LabelUtc, LabelClock, LabelNext, LabelSymbol})
        state->resize(std::max(state->width(), width - state->x() - design(8)), state->height());
    design.Place(ProgressBar1, 8, 262, 630, 20);
    design.Place(Picture, 8, 288, 630, 60);
    ProgressBar1->resize(width - ProgressBar1->x() - design(8), ProgressBar1->height());
    Picture->resize(width - Picture->x() - design(8), Picture->height());
    centralWidget()->setMinimumSize(width, design(356));
    resize(width, design(356) + statusBar()->sizeHint().height());
}
