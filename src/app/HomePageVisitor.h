#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

namespace app {

// Loads the home page in the background after each address change, the
// way a browser would, and forgets the answer. Nothing is shown; a page
// that cannot be loaded is simply dropped.
class HomePageVisitor : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 15000;
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

    explicit HomePageVisitor(QObject *parent = nullptr);
    // Returns at once: the request goes out from the event loop.
    void visit(const QUrl &url);

private:
    void load(const QUrl &url);

    QNetworkAccessManager m_nam;
};

} // namespace app
