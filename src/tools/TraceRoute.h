#pragma once

#include "Clock.h"
#include "HopSchedule.h"
#include "IcmpEcho.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QTimer>
#include <memory>
#include <optional>

namespace tools {

// One trace to a host: resolves it as the name lookup window does, probes
// hop after hop with rising TTLs (several at once, see HopSchedule) and
// writes the listing piece by piece, always in hop order. Optional reverse
// lookups run beside the probes, each for a bounded time. Deleting the
// object stops the trace; lookups still running keep nobody waiting.
class TraceRoute : public QObject
{
    Q_OBJECT
public:
    static constexpr int kReverseLookupTimeOutMs = 2000;

    struct Options
    {
        QString host;
        int charsPerPacket = 32;
        bool resolveNames = false;
        HopSchedule::Limits limits;
    };

    explicit TraceRoute(QObject *parent = nullptr);

    // One trace per object.
    void start(const Options &options);

signals:
    // The handle could not be opened: nothing is listed.
    void openFailed(const QString &message);
    // The dotted address the host resolved to; empty when it did not.
    void resolved(const QString &address);
    // The next piece of the listing (lines end in CR LF).
    void textAdded(const QString &text);
    // complete: the destination answered.
    void finished(bool complete);

private:
    void onHostResolved(std::optional<quint32> destination);
    void onEchoFinished(int id, const platform::EchoReply &reply);
    void lookUpName(int hop, quint32 address);
    void advance();
    void writeReadyLines();
    void endAfter(const HopSchedule::Hop &last);
    void end(const QString &text, bool complete);

    Options m_options;
    quint32 m_destination = 0;
    QPointer<platform::IcmpEcho> m_echo;
    SteadyClock m_clock;
    std::unique_ptr<HopSchedule> m_schedule;
    QTimer m_deadlineTimer;
    QHash<int, int> m_hopOfProbe;
    QQueue<HopSchedule::Hop> m_toWrite;
    QHash<int, QString> m_names; // by hop, once looked up
    std::optional<HopSchedule::Hop> m_lastWritten;
    bool m_ended = false;
};

} // namespace tools
