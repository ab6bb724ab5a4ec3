#pragma once
// The about box: program title, build stamp and platform, where updates
// are, credits.
// Created hidden at start; closing it only hides it.
#include <QString>
#include <QWidget>

class QLabel;

class TFAbout : public QWidget {
    Q_OBJECT

public:
    explicit TFAbout(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;

    void FormCreate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The system, processor and Qt version this build is for, as the about box names them.
QString BuildPlatform();

inline TFAbout* FAbout = nullptr;
