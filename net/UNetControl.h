#pragma once
// The network control window: while it listens, station programs (satellite
// trackers, digital-mode and logging programs) tune the board over TCP as
// they tune a networked radio. The address to listen on, Start and Stop,
// where it listens, how many clients are connected, and a warning when more
// than this computer can reach it. The server goes on when the window is
// closed; it runs in the windows' event loop and never waits for a client.
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

#include "net/RigServer.h"
#include "net/WindowStation.h"
#include "support/StatusText.h"

class TFormNetControl : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormNetControl(QWidget* parent = nullptr);
    ~TFormNetControl() override;

    QLabel* LabelListen = nullptr;
    QLineEdit* EditListen = nullptr;  // ADDR:PORT, as typed; kept in the settings file
    QPushButton* ButtonStart = nullptr;  // stays down while the server listens
    QLabel* LabelState = nullptr;
    QLabel* LabelClients = nullptr;
    QLabel* LabelWarning = nullptr;
    QLabel* LabelHint = nullptr;
    TStatusText* StatusBar1 = nullptr;  // a start refused, a client dropped

    const TRigServer& Server() const { return server_; }

    // Starts the server when it was on at the last close.
    void FormCreate();
    void ButtonStartClick();
    void EditListenChange();
    void ServerClientsChanged(int count);
    void ServerClientDropped(const QString& peer, const QString& reason);

private:
    void CreateControls();
    void PlaceControls();
    void ConnectHandlers();
    // False with the reason in the status bar.
    bool StartServer();
    void ReleaseStart();
    void ShowState();

    TWindowStation station_;
    TRigServer server_;
};

inline TFormNetControl* FormNetControl = nullptr;
