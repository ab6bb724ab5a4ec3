#include "net/UNetControl.h"

#include <QSignalBlocker>
#include <QStatusBar>

#include <algorithm>

#include "app/DesignLayout.h"
#include "net/ListenAddress.h"
#include "net/NetControlSettings.h"
#include "support/BindHandler.h"
#include "support/Feedback.h"
#include "support/NumberText.h"
#include "support/ReadableColour.h"

namespace {

constexpr double DesignPpi = 96;
constexpr int DesignWidth = 362;
constexpr int Margin = 8;

}  // namespace

TFormNetControl::TFormNetControl(QWidget* parent) : QMainWindow(parent), server_(station_)
{
    CreateControls();
    ConnectHandlers();
    Guarded([this] { FormCreate(); });
}

// The server drops its clients as it goes: the window, going too, is not told.
TFormNetControl::~TFormNetControl()
{
    server_.disconnect(this);
}

void TFormNetControl::CreateControls()
{
    setWindowTitle("Network control");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    LabelListen = new QLabel("Listen on", client);
    EditListen = new QLineEdit(client);
    EditListen->setToolTip("Address and port: 127.0.0.1:4532 is this computer alone, 0.0.0.0:4532 every network "
                           "it is on");
    ButtonStart = new QPushButton("Start", client);
    ButtonStart->setCheckable(true);
    LabelState = new QLabel("Stopped", client);
    LabelClients = new QLabel(client);
    LabelWarning = new QLabel(client);
    LabelWarning->setWordWrap(true);
    SetReadableTextColour(LabelWarning, QPalette::WindowText, QPalette::Window, Qt::red);
    LabelHint = new QLabel("Station programs tune the board here as they tune a networked radio (the rigctld "
                           "protocol): give them this address and port. The main window shows what they set.",
                           client);
    LabelHint->setWordWrap(true);
    StatusBar1 = new TStatusText(this);
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);
}

void TFormNetControl::ConnectHandlers()
{
    Bind(this, ButtonStart, &QPushButton::clicked, &TFormNetControl::ButtonStartClick);
    Bind(this, EditListen, &QLineEdit::textChanged, &TFormNetControl::EditListenChange);
    // Enter in the field starts, as the button does.
    connect(EditListen, &QLineEdit::returnPressed, this, [this] {
        if (!ButtonStart->isChecked())
            ButtonStart->click();
    });
    connect(&server_, &TRigServer::ClientsChanged, this, &TFormNetControl::ServerClientsChanged);
    connect(&server_, &TRigServer::ClientDropped, this, &TFormNetControl::ServerClientDropped);
}

// The address and the clients in a row each, the warning and the hint
// below at the window's width. A larger font or a longer address widens it.
void TFormNetControl::PlaceControls()
{
    const TDesignScale design(*this, DesignPpi);
    design.PlaceFitting(LabelListen, Margin, 14, 70, 21);
    design.Place(EditListen, 84, 12, 170, 23);
    EditListen->move(std::max(EditListen->x(), design.RightOf(LabelListen, 6)), EditListen->y());
    design.PlaceFittingAfter(EditListen, 10, ButtonStart, 264, 10, 90, 27);
    design.PlaceFitting(LabelState, Margin, 48, 346, 21);
    design.PlaceFitting(LabelClients, Margin, 72, 346, 21);
    const int width = std::max({design(DesignWidth), design.RightOf(ButtonStart, Margin),
                                design.RightOf(LabelState, Margin), design.RightOf(LabelClients, Margin)});
    int top = LabelClients->y() + LabelClients->height() + design(10);
    for (QLabel* wrapped : {LabelWarning, LabelHint}) {
        if (wrapped->text().isEmpty()) {
            wrapped->hide();
            continue;
        }
        const int w = width - 2 * design(Margin);
        wrapped->setGeometry(design(Margin), top, w, wrapped->heightForWidth(w));
        wrapped->show();
        top += wrapped->height() + design(10);
    }
    centralWidget()->setMinimumSize(width, top);
    setFixedSize(width, top + statusBar()->sizeHint().height());
}

void TFormNetControl::FormCreate()
{
    const bool wasOn = NetControlSettings.On;
    EditListen->setText(QString::fromStdString(NetControlSettings.Listen));
    ShowState();
    if (!wasOn)
        return;
    ButtonStart->setChecked(true);
    if (!StartServer()) {
        ReleaseStart();
        show();  // the operator expects it on: the window says why it is not
    }
}

void TFormNetControl::ButtonStartClick()
{
    if (!ButtonStart->isChecked()) {
        server_.Close();
        StatusBar1->clear();
        ShowState();
        return;
    }
    if (!StartServer()) {
        ReleaseStart();
        Beep();
    }
}

bool TFormNetControl::StartServer()
{
    TListenAddress address;
    QString error;
    if (!ParseListenAddress(EditListen->text().trimmed(), address, error)) {
        StatusBar1->setText(error);
        return false;
    }
    if (!server_.Listen(address.Address, address.Port)) {
        StatusBar1->setText("Cannot listen on " + ListenAddressText(address.Address, address.Port) + ": " +
                            server_.ErrorText());
        return false;
    }
    StatusBar1->clear();
    ShowState();
    return true;
}

void TFormNetControl::ReleaseStart()
{
    const QSignalBlocker quiet(ButtonStart);
    ButtonStart->setChecked(false);
    ShowState();
}

void TFormNetControl::ShowState()
{
    const bool on = server_.IsListening();
    NetControlSettings.On = on;
    ButtonStart->setText(on ? "Stop" : "Start");
    EditListen->setEnabled(!on);  // the address is taken at the start
    LabelState->setText(on ? "Listening on " + ListenAddressText(server_.Address(), server_.Port()) : "Stopped");
    LabelClients->setText(on ? QString::fromStdString(CountText(server_.ClientCount(), "client")) + " connected"
                             : QString());
    LabelWarning->setText(on ? ListenWarning(server_.Address(), server_.Port()) : QString());
    PlaceControls();
}

void TFormNetControl::EditListenChange()
{
    NetControlSettings.Listen = EditListen->text().toStdString();
}

void TFormNetControl::ServerClientsChanged(int)
{
    ShowState();
}

void TFormNetControl::ServerClientDropped(const QString& peer, const QString& reason)
{
    StatusBar1->setText("Dropped " + peer + ": " + reason);
}
