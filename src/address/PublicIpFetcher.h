#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace address {

// Downloads the public-IP page and cuts the address out of it, without ever
// blocking the caller's thread. The page is read into memory; nothing is
// cached and nothing is written to disk.
class PublicIpFetcher : public QObject
{
    Q_OBJECT
public:
    // A service that has not answered in this time is as good as absent; the
    // refresh must end so the next one can run.
    static constexpr int kTimeoutMs = 15000;
    // The real page is a few hundred bytes; anything this large is not it.
    static constexpr qint64 kMaxPageBytes = 64 * 1024;

    explicit PublicIpFetcher(QObject *parent = nullptr);
    ~PublicIpFetcher() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }

    // Starts a download of http://HOST/quorvel.php; finished() follows
    // exactly once, with the address or one of the two failure texts. A call
    // while one is running abandons the earlier one without its finished().
    void fetch(const QString &host);
    bool isRunning() const { return m_reply != nullptr; }

signals:
    void finished(const QString &result);

private:
    void onReadyRead();
    void onFinished();
    void finish(const QString &result);

    QNetworkAccessManager m_nam;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_page;
    int m_timeoutMs = kTimeoutMs;
    bool m_failed = false;
};

} // namespace address
