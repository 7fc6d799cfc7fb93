#include "PublicIpFetcher.h"

#include "PublicIp.h"
#include "SocketHttpGet.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>

namespace address {

PublicIpFetcher::PublicIpFetcher(QObject *parent)
    : PublicIpFetcher(QAbstractSocket::AnyIPProtocol, parent)
{
}

PublicIpFetcher::PublicIpFetcher(QAbstractSocket::NetworkLayerProtocol family, QObject *parent)
    : QObject(parent), m_family(family), m_turn(QRandomGenerator::global()->generate())
{
    m_tryTimer.setSingleShot(true);
    // A bound is a promise: a coarse timer may end a try early.
    m_tryTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_tryTimer, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        // The try finishes inside abort(), and may already have been
        // replaced by the next one when it returns: touch nothing after it.
        if (m_reply)
            m_reply->abort();
        else if (m_get)
            m_get->abort();
    });
}

PublicIpFetcher::~PublicIpFetcher()
{
    dropTry();
}

void PublicIpFetcher::dropTry()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (m_get) {
        m_get->disconnect(this);
        m_get->abort();
        m_get->deleteLater();
        m_get = nullptr;
    }
}

void PublicIpFetcher::fetch(const ServiceChoice &choice)
{
    dropTry();
    m_tryTimer.stop();
    // Every refresh on a connection of its own: one kept from an earlier
    // refresh leaves from the address the machine had then (which may be
    // gone, or lead another way), so the service would see that one.
    m_nam.clearConnectionCache();
    m_attempts.clear();
    m_explanation.clear();
    m_unreachable = 0;
    m_pageMode = !choice.host.isEmpty();
    m_queue = m_pageMode ? QList<QUrl>{publicIpPageUrl(choice.host)}
                         : servicesForTurn(choice.services, m_turn++);
    m_clock.start();
    const quint64 generation = ++m_generation;

    if (m_queue.isEmpty() || !m_queue.first().isValid()) {
        if (m_pageMode)
            m_attempts.append(
                {QStringLiteral("http://") + choice.host + QStringLiteral("/quorvel.php"),
                 QStringLiteral("not a host name")});
        m_queue.clear();
        // Reported asynchronously like every other outcome, so callers see
        // one order of events whatever went wrong.
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == m_generation)
                    finish(kUnableToAccessInternet, false);
            },
            Qt::QueuedConnection);
        return;
    }
    askNext();
}

void PublicIpFetcher::askNext()
{
    const qint64 left = m_timeoutMs - m_clock.elapsed();
    if (m_queue.isEmpty() || left <= 0) {
        for (const QUrl &url : std::as_const(m_queue))
            m_attempts.append({url.toString(), QStringLiteral("not asked, no time left")});
        finish(kUnableToAccessInternet, false);
        return;
    }
    const QUrl url = m_queue.takeFirst();
    m_body.clear();
    m_timedOut = false;
    m_tooLarge = false;

    m_tryLimitMs = int(qMin<qint64>(left, m_pageMode ? m_timeoutMs : m_serviceTimeoutMs));

    if (m_family == QAbstractSocket::IPv6Protocol) {
        m_get =
            new SocketHttpGet(url, m_family, m_pageMode ? kMaxPageBytes : kMaxAnswerBytes, this);
        connect(m_get, &SocketHttpGet::finished, this, [this, url](const SocketHttpGet::Result &r) {
            m_get->deleteLater();
            m_get = nullptr;
            m_tryTimer.stop();
            m_body = r.body;
            QString failure = limitFailure(r.tooLarge);
            if (failure.isEmpty())
                failure = r.failure;
            if (failure.isEmpty() && (r.status < 200 || r.status > 299))
                failure = QStringLiteral("status %1").arg(r.status);
            judgeAnswer(url.toString(), failure, r.familyUnreachable && !m_timedOut);
        });
        m_get->start();
        m_tryTimer.start(m_tryLimitMs);
        return;
    }

    QNetworkRequest request(url);
    // The address must be today's, never a copy kept by us or a proxy.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Quorvel"));
    // A service learns the address and the time, and nothing that would
    // tie one refresh to the next.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // Nor a connection kept open: after the machine's own address has
    // changed, one would only carry the next request into the void.
    request.setRawHeader("Connection", "close");
    // A service that sends us elsewhere (a captive portal does) has not
    // answered; following it would only fetch someone else's page.
    if (!m_pageMode)
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);

    m_reply = m_nam.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &PublicIpFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PublicIpFetcher::onFinished);
    m_tryTimer.start(m_tryLimitMs);
}

void PublicIpFetcher::onReadyRead()
{
    QNetworkReply *reply = m_reply;
    if (!reply || m_timedOut || m_tooLarge)
        return;
    const qint64 limit = m_pageMode ? kMaxPageBytes : kMaxAnswerBytes;
    m_body += reply->read(limit + 1 - m_body.size());
    if (m_body.size() > limit) {
        m_tooLarge = true;
        reply->abort(); // see the time-out: nothing after this
    }
}

QString PublicIpFetcher::limitFailure(bool tooLarge) const
{
    if (m_timedOut)
        return QStringLiteral("timed out after %1 s").arg(m_tryLimitMs / 1000.0);
    if (tooLarge)
        return QStringLiteral("answer larger than %1 KiB")
            .arg((m_pageMode ? kMaxPageBytes : kMaxAnswerBytes) / 1024);
    return QString();
}

QString PublicIpFetcher::failureOf(QNetworkReply *reply, int status) const
{
    if (const QString limit = limitFailure(m_tooLarge); !limit.isEmpty())
        return limit;
    if (status != 0 && (status < 200 || status > 299))
        return QStringLiteral("status %1").arg(status);
    switch (reply->error()) {
    case QNetworkReply::NoError:
        return status == 0 ? QStringLiteral("no HTTP answer") : QString();
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("refused");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("host not found");
    default:
        return reply->errorString();
    }
}

void PublicIpFetcher::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_tryTimer.stop();
    onReadyRead();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString service = reply->request().url().toString();
    const QString failure = failureOf(reply, status);
    reply->disconnect(this);
    reply->deleteLater();
    m_reply = nullptr;
    judgeAnswer(service, failure);
}

void PublicIpFetcher::judgeAnswer(const QString &service, QString failure, bool familyUnreachable)
{
    const bool ipv6 = m_family == QAbstractSocket::IPv6Protocol;
    if (failure.isEmpty() && m_pageMode) {
        QString ip = cutPublicIp(m_body);
        // The IPv6 page must state an IPv6 address; the cut rule itself
        // stays as it is for IPv4.
        if (ipv6 && !(isCanonicalAddress(ip.trimmed()) && ip.contains(u':')))
            ip = kUnableToParseIP;
        const bool found = ip != kUnableToParseIP;
        m_attempts.append(
            {service, found ? QStringLiteral("answered")
                            : QStringLiteral("no address after \"Your IP address is:\"")});
        finish(ipv6 ? ip.trimmed() : ip, found);
        return;
    }
    if (failure.isEmpty()) {
        const auto ip = addressFromAnswer(m_body);
        if (ip && (!ipv6 || ip->contains(u':'))) {
            m_attempts.append({service, QStringLiteral("answered")});
            finish(*ip, true);
            return;
        }
        failure = ip ? QStringLiteral("not an IPv6 address") : QStringLiteral("not an address");
    }
    m_attempts.append({service, failure});
    if (familyUnreachable)
        ++m_unreachable;
    askNext();
}

void PublicIpFetcher::finish(const QString &result, bool found)
{
    m_tryTimer.stop();
    dropTry();
    m_queue.clear();
    m_body.clear();
    // Not one service within reach over IPv6 (or none to ask): this
    // machine has no IPv6, which is nothing to explain.
    const bool noIpv6 =
        !found && m_family == QAbstractSocket::IPv6Protocol && m_unreachable == m_attempts.size();
    m_explanation = found || noIpv6
                        ? QString()
                        : explainAttempts(m_attempts, m_family == QAbstractSocket::IPv6Protocol
                                                          ? QStringLiteral("public IPv6 address")
                                                          : QStringLiteral("public address"));
    emit finished(noIpv6 ? kNoIpv6 : result);
}

} // namespace address
