#include "Pinger.h"

#include "EchoTexts.h"

#include <QTimer>

namespace tools {

Pinger::Pinger(QObject *parent) : QObject(parent) {}

void Pinger::start(const QString &addressText, const QByteArray &data)
{
    if (m_running)
        return;
    m_running = true;
    const std::optional<quint32> address = parseDottedAddress(addressText);
    // Outcomes known at once still arrive from the event loop, like any
    // other, so that callers need only one path.
    if (!address) {
        QTimer::singleShot(0, this, [this] { finish(kBadAddressStatus, {}); });
        return;
    }
    m_echo = new platform::IcmpEcho(this);
    if (!m_echo->isOpen()) {
        const QString message = m_echo->openError();
        delete m_echo;
        QTimer::singleShot(0, this, [this, message] {
            m_running = false;
            emit openFailed(message);
        });
        return;
    }
    if (data.size() > kMaxDataSize) {
        // The echo would not fit the reply record; nothing is sent.
        QTimer::singleShot(0, this, [this] {
            platform::EchoReply reply;
            reply.status = platform::ipstatus::BufTooSmall;
            finish(reply.status, reply);
        });
        return;
    }
    connect(m_echo, &platform::IcmpEcho::finished, this,
            [this](int, const platform::EchoReply &reply) { finish(reply.status, reply); });
    m_echo->send({*address, data, 0, kTimeOutMs});
}

void Pinger::finish(int status, const platform::EchoReply &reply)
{
    if (m_echo)
        m_echo->deleteLater();
    m_running = false;
    emit finished(status, reply);
}

} // namespace tools
