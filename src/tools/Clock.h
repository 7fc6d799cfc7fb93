#pragma once

#include <QElapsedTimer>

namespace tools {

// Monotonic time in milliseconds. Rules that wait are given one, so that
// their tests move time by hand instead of sleeping.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
};

// The machine's monotonic clock, counting from its construction.
class SteadyClock final : public Clock
{
public:
    SteadyClock() { m_timer.start(); }
    qint64 nowMs() const override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};

} // namespace tools
