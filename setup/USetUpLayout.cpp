// The setup dialog's controls and where they sit.
#include <QFontDatabase>
#include <QStatusBar>

#include <algorithm>

#include "app/DesignLayout.h"
#include "setup/USetUp.h"
#include "support/ReadableColour.h"

namespace {

constexpr double DesignPpi = 96;

}  // namespace

void TFormSetUp::CreateControls()
{
    setWindowTitle("Setup");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto label = [client](const char* caption) { return new QLabel(caption, client); };
    auto edit = [client](const char* text) { return new QLineEdit(text, client); };
    auto pickList = [client](const QStringList& items) {
        auto* box = new QComboBox(client);
        box->addItems(items);
        return box;
    };

    Label1 = label("i2c-address");
    Edit1 = edit("55");
    Label2 = label("hex  =  85 decimal");
    Label3 = label("frequency multiplier");
    Edit2 = edit("1");
    Label4 = label("frequency offset");
    Edit3 = edit("0");
    Label16 = label("MHz");
    Label5 = label("(  fout = f * multiplier + offset  )");
    Label8 = label("mouse-wheel user increment");
    Edit5 = edit("12500");
    Label9 = label("Hz");
    CheckBox1 = new QCheckBox("SI570 remembers last frequency after power-up", client);
    Label6 = label("Factory Startup Frequency");
    Edit4 = edit("56.32");
    Label7 = label("MHz");
    Label15 = label("Si570 speed grade =");
    ComboBox1 = pickList({"A", "B", "C"});
    Button1 = new QPushButton("calibrate to factory startup frequency ", client);
    Label13 = label("shift calibration by ");
    ComboPPM = pickList({"+- 0.1 ppm", "+- 1 ppm", "+- 10 ppm", "+- 100 ppm", "+- 1000 ppm"});
    ComboPPM->setCurrentIndex(1);
    LabelHz = label("= +-0 Hz");
    Button3 = new QPushButton("shift calibration down", client);
    Button4 = new QPushButton("shift calibration up", client);
    for (QPushButton* shift : {Button3, Button4})
        shift->setToolTip("Note: delay of 2 seconds due to AVR reset if set by value!");
    Label14 = label("");
    Label12 = label("");
    for (QLabel* warning : {Label12, Label14}) {
        QFont larger = warning->font();
        larger.setPointSizeF(larger.pointSizeF() * 1.15);
        warning->setFont(larger);
        SetReadableTextColour(warning, QPalette::WindowText, QPalette::Window, Qt::red);
    }
    Label11 = label("FSK shift");
    Edit6 = edit("100");
    Label10 = label("Hz");
    Button2 = new QPushButton("Erase EEPROM and reset AVR", client);
    Button2->hide();

    StatusBar1 = new TStatusText;
    StatusBar1->setIndent(4);
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    ListBox1 = new QListWidget(client);
    // The report's columns line up only in a fixed-pitch face.
    ListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Button5 = new QPushButton("Rescan USB Bus for Device", client);
    Edit7 = edit("VELNOR-I2C");
    ComboDevs = new QComboBox(client);
    ComboDevs->hide();
}

// Three columns on the left (caption, field, unit) and the device panel to
// their right, beyond the dialog's first width. Fonts differ between systems:
// a larger one pushes the columns right, never over each other.
void TFormSetUp::PlaceControls()
{
    const TDesignScale design(*this, DesignPpi);
    constexpr int Caption = 12, Field = 190, Unit = 306, FieldWidth = 110;
    auto row = [&](QLabel* caption, QLineEdit* field, QLabel* unit, int top) {
        design.PlaceFitting(caption, Caption, top + 2, 170, 20);
        design.Place(field, Field, top, FieldWidth, 24);
        if (unit)
            design.PlaceFitting(unit, Unit, top + 2, 30, 20);
    };
    row(Label1, Edit1, nullptr, 12);
    Edit1->resize(design(44), Edit1->height());
    design.PlaceFitting(Label2, Field + 52, 14, 120, 20);
    row(Label3, Edit2, nullptr, 44);
    row(Label4, Edit3, Label16, 76);
    design.PlaceFitting(Label5, Caption, 104, 300, 20);
    row(Label8, Edit5, Label9, 130);
    design.PlaceFitting(CheckBox1, Caption, 162, 320, 22);
    row(Label6, Edit4, Label7, 192);
    design.PlaceFitting(Label15, Caption, 226, 170, 20);
    design.Place(ComboBox1, Field, 224, 56, 24);
    design.PlaceFitting(Button1, Caption, 260, 290, 28);
    design.PlaceFitting(Label13, Caption, 298, 120, 20);
    design.PlaceFittingAfter(Label13, 4, ComboPPM, 136, 296, 110, 24);
    design.PlaceFittingAfter(ComboPPM, 8, LabelHz, 254, 298, 90, 20);
    design.PlaceFitting(Button3, Caption, 330, 160, 28);
    design.PlaceFittingAfter(Button3, 8, Button4, 180, 330, 160, 28);
    design.PlaceFitting(Label12, Caption, 364, 320, 22);
    design.PlaceFitting(Label14, Caption, 388, 320, 22);
    row(Label11, Edit6, Label10, 418);
    design.PlaceFitting(Button2, Caption, 450, 200, 28);

    // The fields start right of the widest caption.
    int captions = 0;
    for (QLabel* caption : {Label1, Label3, Label4, Label8, Label6, Label15, Label11})
        captions = std::max(captions, design.RightOf(caption, 8));
    const int push = std::max(0, captions - Edit2->x());
    for (QWidget* w : std::initializer_list<QWidget*>{Edit1, Label2, Edit2, Edit3, Label16, Edit5, Label9, Edit4,
                                                      Label7, ComboBox1, Edit6, Label10})
        w->move(w->x() + push, w->y());
    ComboBox1->resize(std::max(ComboBox1->width(), ComboBox1->sizeHint().width()), ComboBox1->height());

    // The unit column moves right, and the fields widen, until nothing on
    // the left reaches past Label9.
    Label2->setText("hex  =  255 decimal");
    Label2->adjustSize();
    int needed = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Label2, Label5, CheckBox1, Button1, LabelHz, Button4})
        needed = std::max(needed, w->geometry().right());
    const int shift = std::max(0, needed - Label9->geometry().right());
    for (QLabel* unit : {Label16, Label9, Label7, Label10})
        unit->move(unit->x() + shift, unit->y());
    for (QLineEdit* field : {Edit2, Edit3, Edit5, Edit4, Edit6})
        field->resize(field->width() + shift, field->height());
    Label2->setText("hex  =  85 decimal");

    const int panel = Label9->geometry().right() + 1 + design(10) + design(12);
    const int bottom = Edit6->geometry().bottom() + design(12);
    design.PlaceFitting(Button5, 0, 12, 200, 28);
    Button5->move(panel, Button5->y());
    Edit7->setGeometry(Button5->geometry().right() + design(10), Button5->y(), design(170), Button5->height());
    ComboDevs->setGeometry(panel, design(48), Edit7->geometry().right() - panel + 1, design(24));
    ListBox1->setGeometry(panel, design(80), ComboDevs->width(), bottom - design(80));
}
