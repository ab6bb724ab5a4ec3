#pragma once
// The keyer's symbol timer: a message-loop timer with QTimer's interface whose
// ticks keep to a fixed schedule. Each tick is armed a little early on a
// precise timer and then waits out the last fraction of a millisecond, so
// symbols start on time, and each is due one interval after the previous one
// was due, so the schedule does not drift over a long transmission.
#include <QObject>

#include "mept/SymbolClock.h"

class QTimer;

class TSymbolTimer : public QObject {
    Q_OBJECT

public:
    explicit TSymbolTimer(QObject* parent = nullptr);

    // Outside a tick a running timer starts its interval again, as QTimer does;
    // inside a tick the new interval is the time to the next tick.
    void setInterval(int ms);
    int interval() const { return interval_; }
    // The first tick one interval from now; inside a tick, one interval after
    // that tick was due. An interval of 0 or less does not run.
    void start();
    void stop();
    bool isActive() const { return active_; }

signals:
    void timeout();

private:
    void Fire();
    void Arm();

    QTimer* timer_ = nullptr;
    TSymbolClock clock_;
    int interval_ = 0;
    bool active_ = false;
    bool inTick_ = false;
};
