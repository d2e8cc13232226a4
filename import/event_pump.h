#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdint>

// Lets pending events run before a read of a long run, as Interrupt Import needs. Running
// them costs about a microsecond even when none wait, several times what reading and
// writing a record does, so they run again only when some milliseconds have passed, and
// the clock is looked at every 32 reads. A click waits at most that long; the run stops
// after the record in hand. Events that hold the run far longer than any handler takes
// kept it waiting on the user (a box asked for by closing the main window, a menu held
// open): that time is a pause, not work.
class EventPump {
public:
    void BeforeRead()
    {
        if (sinceEvents_.isValid() && (++reads_ % kReadsPerClockCheck != 0 || sinceEvents_.elapsed() < kInterval))
            return;
        QElapsedTimer events;
        events.start();
        QCoreApplication::processEvents();
        if (events.elapsed() >= kPause)
            paused_ += events.elapsed();
        sinceEvents_.start();
    }

    // Milliseconds the run waited on the user.
    qint64 Paused() const { return paused_; }

private:
    static constexpr qint64 kInterval = 10;  // milliseconds
    static constexpr int kReadsPerClockCheck = 32;
    static constexpr qint64 kPause = 250;  // milliseconds
    QElapsedTimer sinceEvents_;
    uint32_t reads_ = 0;
    qint64 paused_ = 0;
};
