#include "HomePageVisitor.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace app {

HomePageVisitor::HomePageVisitor(QObject *parent) : QObject(parent) {}

void HomePageVisitor::visit(const QUrl &url)
{
    if (!url.isValid() || url.scheme().isEmpty())
        return;
    // The first request starts the network threads, which on a busy
    // machine holds up whatever the caller does next; at start-up that is
    // showing the window with the address that prompted this visit.
    QMetaObject::invokeMethod(
        this, [this, url] { load(url); }, Qt::QueuedConnection);
}

void HomePageVisitor::load(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = m_nam.get(request);
    // The body is of no interest: drop it as it comes, and give up on a
    // page that is endless or never ends.
    connect(reply, &QNetworkReply::readyRead, reply,
            [reply] { reply->skip(reply->bytesAvailable()); });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxBytes)
            reply->abort();
    });
    QTimer::singleShot(kTimeoutMs, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

} // namespace app
