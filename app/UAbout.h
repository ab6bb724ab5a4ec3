#pragma once
// The about box: program title, build stamp, where updates are, credits.
// Created hidden at start; closing it only hides it.
#include <QWidget>

class QLabel;

class TFAbout : public QWidget {
    Q_OBJECT

public:
    explicit TFAbout(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;

    void FormCreate();
};

inline TFAbout* FAbout = nullptr;
