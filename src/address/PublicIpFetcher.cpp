#include "PublicIpFetcher.h"

#include "PublicIp.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace address {

PublicIpFetcher::PublicIpFetcher(QObject *parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_failed = true;
        if (m_reply)
            m_reply->abort();
    });
}

PublicIpFetcher::~PublicIpFetcher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void PublicIpFetcher::fetch(const QString &host)
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_page.clear();
    m_failed = false;

    const QUrl url = publicIpPageUrl(host);
    if (!url.isValid()) {
        // Report asynchronously like every other outcome, so callers see one
        // order of events whatever went wrong.
        QMetaObject::invokeMethod(
            this, [this] { emit finished(kUnableToAccessInternet); }, Qt::QueuedConnection);
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

    m_reply = m_nam.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &PublicIpFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PublicIpFetcher::onFinished);
    m_deadline.start(m_timeoutMs);
}

void PublicIpFetcher::onReadyRead()
{
    if (!m_reply || m_failed)
        return;
    m_page += m_reply->read(kMaxPageBytes + 1 - m_page.size());
    if (m_page.size() > kMaxPageBytes) {
        m_failed = true;
        m_reply->abort();
    }
}

void PublicIpFetcher::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    onReadyRead();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok =
        !m_failed && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
    finish(ok ? cutPublicIp(m_page) : kUnableToAccessInternet);
}

void PublicIpFetcher::finish(const QString &result)
{
    m_deadline.stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_page.clear();
    emit finished(result);
}

} // namespace address
