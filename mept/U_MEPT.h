#pragma once
// The beacon keyer: steps the output frequency through a code, one symbol per
// symbol time, and draws the pattern as frequency over time, first as a
// preview of the whole code, then symbol by symbol while it is sent.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

#include <string>

#include "mept/MeptCode.h"
#include "mept/MeptPicture.h"
#include "mept/SymbolTimer.h"
#include "support/StatusText.h"
#include "usb/KeptBoard.h"

class TF_MEPT : public QMainWindow {
    Q_OBJECT

public:
    explicit TF_MEPT(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* SpeedTransmit = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* EditCode = nullptr;
    TMeptPicture* Image = nullptr;
    TSymbolTimer* Timer1 = nullptr;
    TStatusText* StatusBar1 = nullptr;  // the status bar's one text area
    QMenu* File1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Exit1 = nullptr;

    // The picture's pen, position and symbol length, shared by the preview
    // and the transmission; GraphSize is the track bar's value.
    TMeptDrawing Drawing;
    TMeptTransmission Transmission;  // PendingCode and Finished
    double SymbolFrequency = 0;
    double FrequencySpacing = 0;
    double OffFrequency = 0;
    int SymbolTimeMs = 0;
    // A send of the running transmission failed and was shown; later failures
    // stay quiet until a send succeeds or the operator starts again.
    bool SendFailureShown = false;
    // The board the transmission sends on, kept open from its first symbol to
    // its stop, and opened again when the board comes back.
    TKeptBoard Link;

    void FormCreate();
    void FormClose();
    void TrackBar1Change();
    void EditCodeChange();
    void DrawPreview();
    void SpeedTransmitClick();
    void Timer1Timer() { TransmitTick(); }
    void TransmitTick();
    void StopTransmission();
    void SetSymbolFrequency(int value);
    void Open1Click();
    void Exit1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // UMeptLayout.cpp
    void CreateControls();
    void PlaceControls();
    void SetClientSize(int width, int height);

    void ConnectHandlers();
    void ClearPicture();
    void StartOrStop();
    void StartTransmission();
    // A start whose frequencies the board cannot make: the values read stay
    // as they were, Transmit is released, the status line says why. True then.
    bool RefusedFrequencies(double keptSpacing, double keptOff);
    // The frequency that goes out for a frequency before multiplier and offset.
    void Send(double frequency);
    // A send from the running transmission: its failure is shown once per
    // episode, and the keyer goes on stepping and drawing.
    template <typename Action>
    void SendQuietly(Action&& action);
};

inline TF_MEPT* F_MEPT = nullptr;
