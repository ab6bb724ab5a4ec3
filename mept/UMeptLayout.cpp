// The keyer's controls and where they sit.
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>

#include "app/DesignLayout.h"
#include "mept/U_MEPT.h"

namespace {

constexpr double DesignPpi = 96;

}  // namespace

void TF_MEPT::CreateControls()
{
    setWindowTitle("F_MEPT");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto label = [client](const char* caption) { return new QLabel(caption, client); };
    auto edit = [client](const char* text) { return new QLineEdit(text, client); };

    Label1 = label("Time per Symbol");
    Edit1 = edit("1");
    Label2 = label("Seconds");
    Label3 = label("Frequency Spacing");
    Edit2 = edit("1");
    Label4 = label("Hertz");
    Label5 = label("Off Frequency (X)");
    Edit3 = edit("200");
    Label6 = label("MHz");
    Label8 = label("0-F tone  X off  Sn length  P skip  Q stop");
    Label8->setToolTip("MEPT: manned experimental propagation transmitter, a slow beacon read on a spectrum display");
    SpeedTransmit = new QPushButton("Transmit", client);
    SpeedTransmit->setCheckable(true);
    TrackBar1 = new QSlider(Qt::Horizontal, client);
    TrackBar1->setRange(1, 20);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(1);
    TrackBar1->setPageStep(1);
    TrackBar1->setValue(20);
    Label7 = label("Graph Size");
    EditCode = new QLineEdit(client);
    Image = new TMeptPicture(client);
    Timer1 = new TSymbolTimer(this);
    StatusBar1 = new TStatusText;
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    File1 = menuBar()->addMenu("&File");
    Open1 = File1->addAction("&Open");
    Exit1 = File1->addAction("&Exit");
}

// Labels, fields and units in three rows, Transmit and the graph size to
// their right, the code and the picture below. A larger font pushes the
// columns right and widens the code and the picture with them.
void TF_MEPT::PlaceControls()
{
    const TDesignScale design(*this, DesignPpi);
    const struct {
        QLabel* Caption;
        QLineEdit* Field;
        QLabel* Unit;
        int Top;
    } rows[] = {{Label1, Edit1, Label2, 10}, {Label3, Edit2, Label4, 38}, {Label5, Edit3, Label6, 66}};
    int fields = 0;
    for (const auto& row : rows) {
        design.PlaceFitting(row.Caption, 8, row.Top + 2, 120, 21);
        fields = std::max(fields, design.RightOf(row.Caption, 2));
    }
    int units = 0;
    for (const auto& row : rows) {
        design.Place(row.Field, 130, row.Top, 60, 23);
        row.Field->move(std::max(row.Field->x(), fields), row.Field->y());
        design.PlaceFittingAfter(row.Field, 6, row.Unit, 196, row.Top + 2, 70, 21);
        units = std::max(units, design.RightOf(row.Unit, 14));
    }
    design.PlaceFitting(SpeedTransmit, 280, 10, 110, 51);
    SpeedTransmit->move(std::max(SpeedTransmit->x(), units), SpeedTransmit->y());
    design.Place(TrackBar1, 410, 10, 198, 30);
    TrackBar1->move(std::max(TrackBar1->x(), design.RightOf(SpeedTransmit, 20)), TrackBar1->y());
    design.PlaceFitting(Label7, 410, 42, 100, 21);
    Label7->move(TrackBar1->x(), Label7->y());
    design.PlaceFitting(Label8, 280, 68, 328, 21);
    Label8->move(SpeedTransmit->x(), Label8->y());

    int right = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{TrackBar1, Label7, Label8})
        right = std::max(right, w->geometry().right() + 1);
    design.PlaceFitting(EditCode, 8, 96, 600, 23);
    EditCode->resize(std::max(EditCode->width(), right - EditCode->x()), EditCode->height());
    design.Place(Image, 8, 126, 600, 0);
    const int below = EditCode->geometry().bottom() + 1 + design(7);
    Image->setGeometry(EditCode->x(), std::max(Image->y(), below), EditCode->width(), 0);
}

void TF_MEPT::SetClientSize(int width, int height)
{
    centralWidget()->resize(width, height);
    resize(width, menuBar()->sizeHint().height() + height + statusBar()->sizeHint().height());
}
