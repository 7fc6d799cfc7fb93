#pragma once

#include "IcmpEcho.h"

#include <QObject>
#include <QPointer>

namespace tools {

// One ping as the ping window runs it: the address text converted, a handle
// opened just for this request, one echo with the given data and a 500 ms
// time-out, the handle closed again. Never blocks; the outcome comes by
// signal.
class Pinger : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeOutMs = 500;
    // The reply record holds 278 bytes: 28 of reply, then the echoed data,
    // with room for the 8 bytes an ICMP error would add.
    static constexpr int kReplyRecordSize = 278;
    static constexpr int kMaxDataSize = kReplyRecordSize - 28 - 8;

    explicit Pinger(QObject *parent = nullptr);

    // One ping at a time; a call while one runs is ignored.
    void start(const QString &addressText, const QByteArray &data);
    bool isRunning() const { return m_running; }

signals:
    // status is what the window shows: -1 for a bad address, otherwise the
    // reply's status (11010 when nothing came back in time).
    void finished(int status, const platform::EchoReply &reply);
    // No handle could be opened; the message says how to allow it.
    void openFailed(const QString &message);

private:
    void finish(int status, const platform::EchoReply &reply);

    bool m_running = false;
    QPointer<platform::IcmpEcho> m_echo;
};

} // namespace tools
