#pragma once
// A station for the server's tests: it keeps the frequency it is given and
// records each one, refuses what lies outside its range, and fails or throws
// when a test says so. Safe to call from the server's thread.
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "net/RigStation.h"

class TFakeStation : public TRigStation {
public:
    TRigRange Reach{2e6, 945e6};
    bool Fail = false;
    bool Throw = false;
    // What each set takes, as a board transfer does.
    std::chrono::microseconds Delay{0};

    double Frequency() const override
    {
        std::lock_guard lock(mutex_);
        return frequency_;
    }

    TSetResult SetFrequency(double hz) override
    {
        std::this_thread::sleep_for(Delay);
        std::lock_guard lock(mutex_);
        if (Throw)
            throw std::runtime_error("broken station");
        if (Fail)
            return TSetResult::Failed;
        if (!(hz >= Reach.LowHz && hz <= Reach.HighHz))
            return TSetResult::Unreachable;
        frequency_ = hz;
        if (Recording)
            set_.push_back(hz);
        return TSetResult::Done;
    }

    TRigRange Range() const override { return Reach; }

    // Off for the load test: the list would grow with every command.
    bool Recording = true;
    std::vector<double> Set() const
    {
        std::lock_guard lock(mutex_);
        return set_;
    }
    void Preset(double hz)
    {
        std::lock_guard lock(mutex_);
        frequency_ = hz;
    }

private:
    mutable std::mutex mutex_;
    double frequency_ = 0;
    std::vector<double> set_;
};
