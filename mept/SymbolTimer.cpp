#include "mept/SymbolTimer.h"

#include <QTimer>

namespace {

using Clock = TSymbolClock::Clock;

// The precise timer may fire a millisecond or more late; arming it this much
// early and waiting out the rest keeps the tick on its deadline.
constexpr auto ArmEarly = std::chrono::milliseconds(2);

}  // namespace

TSymbolTimer::TSymbolTimer(QObject* parent) : QObject(parent), timer_(new QTimer(this))
{
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &TSymbolTimer::Fire);
}

void TSymbolTimer::setInterval(int ms)
{
    interval_ = ms;
    if (active_ && !inTick_)
        start();
}

void TSymbolTimer::start()
{
    if (interval_ <= 0) {
        stop();
        return;
    }
    active_ = true;
    if (inTick_)
        return;  // Fire schedules the next tick from this one's deadline
    clock_.Start(Clock::now(), interval_);
    Arm();
}

void TSymbolTimer::stop()
{
    active_ = false;
    timer_->stop();
}

void TSymbolTimer::Arm()
{
    const auto early = clock_.Deadline() - ArmEarly - Clock::now();
    timer_->start(std::max(0, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(early).count())));
}

void TSymbolTimer::Fire()
{
    WaitUntil(clock_.Deadline());
    inTick_ = true;
    emit timeout();
    inTick_ = false;
    if (!active_)
        return;
    if (interval_ <= 0) {
        stop();
        return;
    }
    clock_.Advance(Clock::now(), interval_);
    Arm();
}
