#pragma once

#include "AddressChange.h"
#include "NotificationSchedule.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <optional>

class QNetworkReply;

namespace app {

// Why url cannot be the "Change Web Hook"; empty when it can. Only https
// goes over the network: a POST in clear would tell every network on the
// way the address and any token in the query. http is for a receiver on
// this machine (loopback).
QString webHookUrlProblem(const QUrl &url);

// url as it may be shown or logged: without user name, password and query
// (where a token travels), which are replaced by "…".
QString redactedUrl(const QUrl &url);

// {"family":"ipv4","old":"…","new":"…","host":"…","time":"…"}, the time
// in UTC as ISO 8601 ("2026-01-05T09:00:00Z").
QByteArray webHookBody(const AddressChange &change);

// Tells the "Change Web Hook" of each change of a public address with a
// POST, by the notification mail's rule (NotificationSchedule), kept for
// each family on its own: a failed call is tried again after 1, 2, 5 and 10
// minutes, then with each refresh at least 10 minutes apart; a newer
// change takes the place of one not yet told; at most four calls an hour.
class WebHook : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 15000;

    explicit WebHook(QObject *parent = nullptr);
    ~WebHook() override;

    // The receiver of every later call, as written in the settings; an
    // empty one (the hook switched off) drops whatever waits.
    void setUrl(const QString &text);
    QUrl url() const { return m_url; }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    // Milliseconds of a steady clock; tests move it on instead of waiting.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }

    // A change to tell: now, or when the rule lets it.
    void notify(const AddressChange &change);
    // A refresh has finished: a call that waits for one may go now.
    void refreshed();

signals:
    // One for each call: "Change Web Hook (ipv6): ok", or what went wrong
    // and when it is tried again.
    void finished(bool success, const QString &text);

private:
    struct Family
    {
        mail::NotificationSchedule schedule;
        std::optional<AddressChange> waiting;
        std::optional<AddressChange> calling;
    };
    void pump(bool refreshed = false);
    void post(Family &family);
    void onReplyFinished(Family &family, QNetworkReply *reply);

    QNetworkAccessManager m_nam;
    QPointer<QNetworkReply> m_reply;
    QTimer m_retryTimer;
    QTimer m_timeoutTimer;
    QElapsedTimer m_clock;
    std::function<qint64()> m_now;
    Family m_families[2]; // IPv4, IPv6
    QUrl m_url;
    bool m_configured = false;
    int m_timeoutMs = kTimeoutMs;
    bool m_timedOut = false;
};

} // namespace app
