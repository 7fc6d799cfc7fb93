#include "TraceRoute.h"

#include "DetachedCall.h"
#include "EchoTexts.h"
#include "HostLookup.h"
#include "NameLookup.h"
#include "TraceTexts.h"

#include <QHostAddress>

namespace tools {

namespace {

QString dotted(quint32 address)
{
    return QHostAddress(address).toString();
}

// Whether an answer means that no higher TTL gets any further.
bool endsRoute(const platform::EchoReply &reply)
{
    namespace st = platform::ipstatus;
    return reply.status != st::TtlExpiredTransit && reply.status != st::TtlExpiredReassem &&
           reply.status != st::SourceQuench;
}

} // namespace

TraceRoute::TraceRoute(QObject *parent) : QObject(parent)
{
    m_deadlineTimer.setSingleShot(true);
    // A coarse timer may fire late by 5% of 2.4 s; the trace's pace is
    // set by these deadlines.
    m_deadlineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &TraceRoute::advance);
}

void TraceRoute::start(const Options &options)
{
    m_options = options;
    // A dotted address is its own resolution; no lookup is asked for.
    if (const auto address = parseDottedAddress(options.host)) {
        QTimer::singleShot(0, this, [this, address] { onHostResolved(address); });
        return;
    }
    // The same resolution as the name lookup window's: the first address
    // in the name service's own order.
    auto *lookup = new HostLookup(this);
    connect(lookup, &HostLookup::finished, this,
            [this](const QString &address) { onHostResolved(parseDottedAddress(address)); });
    lookup->start(options.host);
}

void TraceRoute::onHostResolved(std::optional<quint32> destination)
{
    m_echo = new platform::IcmpEcho(this);
    if (!m_echo->isOpen()) {
        m_ended = true;
        emit openFailed(m_echo->openError());
        emit finished(false);
        return;
    }
    connect(m_echo, &platform::IcmpEcho::finished, this, &TraceRoute::onEchoFinished);
    emit resolved(destination ? dotted(*destination) : QString());
    emit textAdded(traceHeader(m_options.host));
    if (!destination) {
        // With nothing to aim at, the very first probe goes unanswered, and
        // an unanswered probe leaves the last hop address as empty as the
        // resolved one: the trace counts as done.
        end(traceCompleteText(), false);
        return;
    }
    m_destination = *destination;
    m_schedule = std::make_unique<HopSchedule>(m_clock, m_options.limits);
    advance();
}

void TraceRoute::onEchoFinished(int id, const platform::EchoReply &reply)
{
    const auto it = m_hopOfProbe.constFind(id);
    if (it == m_hopOfProbe.constEnd() || m_ended)
        return;
    const int hop = *it;
    m_hopOfProbe.erase(it);
    if (!reply.answered) {
        // A time-out is the schedule's to decide. A request that could not
        // even be sent will not fare better at a higher TTL.
        if (reply.status != platform::ipstatus::ReqTimedOut)
            m_schedule->answer(hop, reply, true);
    } else {
        const bool final = reply.address == m_destination || endsRoute(reply);
        if (m_schedule->answer(hop, reply, final) && m_options.resolveNames)
            lookUpName(hop, reply.address);
    }
    // Answers come in bursts; the schedule moves on once the burst is in,
    // not after each answer (which would send probes the next answer in the
    // same burst makes useless).
    m_deadlineTimer.start(0);
}

void TraceRoute::lookUpName(int hop, quint32 address)
{
    auto *call = DetachedCall::start(
        this, [address] { return platform::hostNameOfAddress(address); },
        [this, hop](const QString &name) {
            m_names.insert(hop, name);
            writeReadyLines();
        });
    // Bound to the call: it fires only while the lookup runs.
    QTimer::singleShot(kReverseLookupTimeOutMs, call, [this, hop, call] {
        call->abandon();
        m_names.insert(hop, QString());
        writeReadyLines();
    });
}

void TraceRoute::advance()
{
    if (m_ended)
        return;
    // Settled hops first: one that ends the trace leaves nothing to send,
    // and each one reported makes room for another probe.
    for (const HopSchedule::Hop &h : m_schedule->takeSettled())
        m_toWrite.enqueue(h);
    for (int hop : m_schedule->hopsToSend()) {
        const int id = m_echo->send({m_destination, QByteArray(m_options.charsPerPacket, 'a'), hop,
                                     m_options.limits.answerWindowMs});
        m_hopOfProbe.insert(id, hop);
    }
    writeReadyLines();
    if (m_ended)
        return;
    if (const auto deadline = m_schedule->nextDeadline())
        m_deadlineTimer.start(int(std::max<qint64>(0, *deadline - m_clock.nowMs())));
    else
        m_deadlineTimer.stop();
}

void TraceRoute::writeReadyLines()
{
    if (m_ended)
        return;
    while (!m_toWrite.isEmpty()) {
        const HopSchedule::Hop &h = m_toWrite.head();
        const bool named = h.answered && h.reply.answered && m_options.resolveNames;
        if (named && !m_names.contains(h.number))
            break; // its name is still being looked up
        m_lastWritten = m_toWrite.dequeue();
        const HopSchedule::Hop &w = *m_lastWritten;
        if (!w.answered)
            emit textAdded(silentHopLine(w.number));
        else if (w.reply.answered)
            emit textAdded(hopLine(w.number, w.reply.roundTripMs, dotted(w.reply.address),
                                   named ? std::optional(m_names.value(w.number)) : std::nullopt));
    }
    if (!m_toWrite.isEmpty() || !m_schedule->isFinished())
        return;
    if (m_schedule->endedInSilence())
        end(silentRunStoppedText(m_options.limits.silentRunLimit), false);
    else if (m_lastWritten && m_lastWritten->final)
        endAfter(*m_lastWritten);
    else
        end(QString(), false); // the last TTL went by without reaching the host
}

void TraceRoute::endAfter(const HopSchedule::Hop &last)
{
    if (last.reply.answered && last.reply.address == m_destination)
        end(traceCompleteText(), true);
    else
        end(traceStoppedText(last.reply.status,
                             last.reply.answered ? dotted(last.reply.address) : QString()),
            false);
}

void TraceRoute::end(const QString &text, bool complete)
{
    m_ended = true;
    m_deadlineTimer.stop();
    // Closed now, not with us: the trace is over, late answers are moot.
    if (m_echo)
        m_echo->deleteLater();
    if (!text.isEmpty())
        emit textAdded(text);
    emit finished(complete);
}

} // namespace tools
