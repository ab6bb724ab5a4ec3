#pragma once
// The about box: program title, build stamp, where updates are, credits.
// Created hidden at start; closing it only hides it.
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
};

inline TFAbout* FAbout = nullptr;
