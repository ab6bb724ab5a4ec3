// The keyer's controls and where they sit.
#include <QMenuBar>
#include <QStatusBar>

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
    StatusBar1 = new QLabel;
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    File1 = menuBar()->addMenu("&File");
    Open1 = File1->addAction("&Open");
    Exit1 = File1->addAction("&Exit");
}

void TF_MEPT::PlaceControls()
{
    const TDesignScale design(*this, DesignPpi);
    design.Place(Label1, 8, 12, 120, 21);
    design.Place(Edit1, 130, 10, 60, 23);
    design.Place(Label2, 196, 12, 70, 21);
    design.Place(Label3, 8, 40, 120, 21);
    design.Place(Edit2, 130, 38, 60, 23);
    design.Place(Label4, 196, 40, 70, 21);
    design.Place(Label5, 8, 68, 120, 21);
    design.Place(Edit3, 130, 66, 60, 23);
    design.Place(Label6, 196, 68, 70, 21);
    design.Place(SpeedTransmit, 280, 10, 110, 51);
    design.Place(TrackBar1, 410, 10, 198, 30);
    design.PlaceFitting(Label7, 410, 42, 100, 21);
    design.PlaceFitting(Label8, 280, 68, 328, 21);
    design.Place(EditCode, 8, 96, 600, 23);
    design.Place(Image, 8, 126, 600, 0);
}

void TF_MEPT::SetClientSize(int width, int height)
{
    centralWidget()->resize(width, height);
    resize(width, menuBar()->sizeHint().height() + height + statusBar()->sizeHint().height());
}
