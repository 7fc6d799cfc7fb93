#include "SocketHttpGet.h"

#include "HttpResponse.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>

namespace address {

namespace {

QString familyName(QAbstractSocket::NetworkLayerProtocol family)
{
    return family == QAbstractSocket::IPv6Protocol ? QStringLiteral("IPv6")
                                                   : QStringLiteral("IPv4");
}

} // namespace

SocketHttpGet::SocketHttpGet(const QUrl &url, QAbstractSocket::NetworkLayerProtocol family,
                             qint64 maxBody, QObject *parent)
    : QObject(parent), m_url(url), m_family(family), m_maxBody(maxBody)
{
}

void SocketHttpGet::start()
{
    const QString host = m_url.host();
    // An address is used as it is: looking it up would ask the name
    // service for its name.
    if (QHostAddress literal; literal.setAddress(host)) {
        if (literal.protocol() != m_family) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    finish({0,
                            {},
                            QStringLiteral("not an %1 address").arg(familyName(m_family)),
                            false,
                            true});
                },
                Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(this, &SocketHttpGet::connectToHost, Qt::QueuedConnection);
        return;
    }
    // Looked up first to tell a host that has no address of this family
    // from one that does not exist; the socket's own look-up then comes
    // from Qt's cache.
    m_lookupId = QHostInfo::lookupHost(host, this, [this](const QHostInfo &info) {
        m_lookupId = -1;
        if (info.error() != QHostInfo::NoError) {
            finish({0, {}, QStringLiteral("host not found"), false, false});
            return;
        }
        for (const QHostAddress &a : info.addresses())
            if (a.protocol() == m_family) {
                connectToHost();
                return;
            }
        finish({0, {}, QStringLiteral("no %1 address").arg(familyName(m_family)), false, true});
    });
}

void SocketHttpGet::connectToHost()
{
    if (m_done)
        return;
    const bool tls = m_url.scheme() == QLatin1String("https");
    const quint16 port = quint16(m_url.port(tls ? 443 : 80));
    QSslSocket *ssl = tls ? new QSslSocket(this) : nullptr;
    m_socket = ssl ? static_cast<QAbstractSocket *>(ssl) : new QTcpSocket(this);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &SocketHttpGet::onError);
    connect(m_socket, &QIODevice::readyRead, this, [this] { readAnswer(false); });
    connect(m_socket, &QAbstractSocket::disconnected, this, [this] { readAnswer(true); });
    const QByteArray request = httpGetRequest(m_url);
    if (ssl) {
        connect(ssl, &QSslSocket::encrypted, this, [this, request] { m_socket->write(request); });
        ssl->connectToHostEncrypted(m_url.host(), port, QIODevice::ReadWrite, m_family);
    } else {
        connect(m_socket, &QAbstractSocket::connected, this,
                [this, request] { m_socket->write(request); });
        m_socket->connectToHost(m_url.host(), port, QIODevice::ReadWrite, m_family);
    }
}

void SocketHttpGet::readAnswer(bool closed)
{
    if (m_done || !m_socket)
        return;
    // The header, the body and what chunked coding adds to it, and not a
    // byte more is kept, whatever the server sends.
    const qint64 room = kMaxHttpHeaderBytes + 2 * m_maxBody + 1024 - m_received.size();
    m_received += m_socket->read(qMax<qint64>(room, 1));
    const HttpResponse r = parseHttpResponse(m_received, closed, m_maxBody);
    switch (r.state) {
    case HttpResponse::State::Incomplete:
        if (m_received.size() > kMaxHttpHeaderBytes + 2 * m_maxBody + 1024)
            finish({0, {}, QStringLiteral("answer too large"), true, false});
        return;
    case HttpResponse::State::Complete:
        finish({r.status, r.body, QString(), false, false});
        return;
    case HttpResponse::State::TooLarge:
        finish({r.status, {}, QString(), true, false});
        return;
    case HttpResponse::State::Malformed:
        finish({0, {}, QStringLiteral("bad answer: ") + r.problem, false, false});
        return;
    }
}

void SocketHttpGet::onError(QAbstractSocket::SocketError error)
{
    if (m_done)
        return;
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        // Also the end of a body that runs until the connection closes.
        readAnswer(true);
        return;
    case QAbstractSocket::ConnectionRefusedError:
        finish({0, {}, QStringLiteral("refused"), false, false});
        return;
    case QAbstractSocket::HostNotFoundError:
        finish({0, {}, QStringLiteral("no %1 address").arg(familyName(m_family)), false, true});
        return;
    // No route for this family (the network is unreachable, the system
    // has no such sockets): the machine lacks it, the service is not at
    // fault.
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::UnsupportedSocketOperationError:
        finish({0, {}, m_socket->errorString(), false, true});
        return;
    default:
        finish({0, {}, m_socket->errorString(), false, false});
        return;
    }
}

void SocketHttpGet::abort()
{
    finish({0, {}, QStringLiteral("aborted"), false, false});
}

void SocketHttpGet::finish(Result result)
{
    if (std::exchange(m_done, true))
        return;
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(std::exchange(m_lookupId, -1));
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    emit finished(result);
}

} // namespace address
