#pragma once

#include "AddressServices.h"
#include "SocketHttpGet.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace address {

// Finds the public address without ever blocking the caller's thread: from
// the page of a configured host (the cut rule), or from a list of address
// services asked one after the other. Answers are read into memory; nothing
// is cached, no cookie is kept and nothing is written to disk.
class PublicIpFetcher : public QObject
{
    Q_OBJECT
public:
    // A refresh that has had no answer in this time is over: the next one
    // must be able to run.
    static constexpr int kTimeoutMs = 15000;
    // One service of a list gets this long, so that a dead one leaves time
    // for the others within the refresh's own limit.
    static constexpr int kServiceTimeoutMs = 5000;
    // The real page is a few hundred bytes; anything this large is not it.
    static constexpr qint64 kMaxPageBytes = 64 * 1024;
    // A bare address is at most 39 characters; a service that sends more
    // than this is sending something else (a portal's page, say).
    static constexpr qint64 kMaxAnswerBytes = 4 * 1024;

    explicit PublicIpFetcher(QObject *parent = nullptr);
    // IPv6Protocol: the IPv6 address, asked over IPv6 only. Only an IPv6
    // address counts as an answer, and when no service could be reached
    // over IPv6 at all (no route, no IPv6 address of the host) the result
    // is "(no IPv6)" without an explanation: that is a machine without
    // IPv6, not a failure.
    PublicIpFetcher(QAbstractSocket::NetworkLayerProtocol family, QObject *parent = nullptr);
    ~PublicIpFetcher() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    void setServiceTimeout(int ms) { m_serviceTimeoutMs = ms; }
    // Which service of a list the next refresh asks first; each refresh
    // moves on by one. It starts at a random one, so that even programs
    // that refresh once per run spread over the list.
    void setTurn(quint32 turn) { m_turn = turn; }

    // Starts a refresh; finished() follows exactly once, with the address
    // or a failure text: "(unable to parse IP)" only for a configured
    // host's page without the marker, "(unable to access Internet)" for
    // everything else. A call while one is running abandons the earlier one
    // without its finished().
    void fetch(const ServiceChoice &choice);
    // The page of host alone: fetch({host, {}}).
    void fetch(const QString &host) { fetch(ServiceChoice{host, {}}); }
    bool isRunning() const { return m_reply != nullptr || m_get != nullptr; }

    // What each service asked by the last refresh did.
    const QList<ServiceAttempt> &attempts() const { return m_attempts; }
    // Why the last refresh found no address; empty when it found one.
    QString explanation() const { return m_explanation; }

signals:
    void finished(const QString &result);

private:
    void askNext();
    void onReadyRead();
    void onFinished();
    void onGetFinished(const QString &service, int status, const QString &failure, bool tooLarge,
                       bool familyUnreachable);
    void judgeAnswer(const QString &service, QString failure, bool familyUnreachable = false);
    QString failureOf(QNetworkReply *reply, int status) const;
    QString limitFailure(bool tooLarge) const;
    void dropTry();
    void finish(const QString &result, bool found);

    QNetworkAccessManager m_nam;
    QPointer<QNetworkReply> m_reply;
    QPointer<SocketHttpGet> m_get;
    QAbstractSocket::NetworkLayerProtocol m_family = QAbstractSocket::AnyIPProtocol;
    // Attempts that could not reach their service over the family at all.
    int m_unreachable = 0;
    QTimer m_tryTimer;
    QElapsedTimer m_clock;
    QList<QUrl> m_queue;
    QList<ServiceAttempt> m_attempts;
    QString m_explanation;
    QByteArray m_body;
    int m_timeoutMs = kTimeoutMs;
    int m_serviceTimeoutMs = kServiceTimeoutMs;
    int m_tryLimitMs = 0;
    quint32 m_turn;
    // Tells a queued report of an abandoned refresh from the current one.
    quint64 m_generation = 0;
    // A configured host's page: the cut rule, one try, the larger limits.
    bool m_pageMode = false;
    bool m_timedOut = false;
    bool m_tooLarge = false;
};

} // namespace address
