#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

namespace address {

// One GET over a socket of one address family: Qt's network access manager
// picks the family itself, and the IPv6 address can only be learnt from a
// service reached over IPv6. http and https (the certificate checked
// against the host name); no proxy, because a proxy's address is not ours.
// It has no time limit of its own: whoever starts it bounds it (abort()).
class SocketHttpGet : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        int status = 0; // 0: no answer
        QByteArray body;
        QString failure; // empty when an answer came, whatever its status
        bool tooLarge = false;
        // The host could not be reached over this family at all: it has no
        // address of it, or this machine has no route for it.
        bool familyUnreachable = false;
    };

    SocketHttpGet(const QUrl &url, QAbstractSocket::NetworkLayerProtocol family, qint64 maxBody,
                  QObject *parent = nullptr);

    // finished() follows exactly once, never from inside start().
    void start();
    // Ends it now, with finished() and the failure "aborted".
    void abort();

signals:
    void finished(const address::SocketHttpGet::Result &result);

private:
    void connectToHost();
    // closed: the server has ended the connection; the answer is then
    // complete or never will be.
    void readAnswer(bool closed);
    void onError(QAbstractSocket::SocketError error);
    void finish(Result result);

    QUrl m_url;
    QAbstractSocket::NetworkLayerProtocol m_family;
    qint64 m_maxBody;
    QPointer<QAbstractSocket> m_socket;
    QByteArray m_received;
    int m_lookupId = -1;
    bool m_done = false;
};

} // namespace address
