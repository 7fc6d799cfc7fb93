// The resume plug-in: logind's PrepareForSleep(false) on the system bus.
#include "LogindResume.h"

#include <QDBusConnection>
#include <QObject>
#include <QThread>

namespace {

const QString kConnectionName = QStringLiteral("quorvel-logind");
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

class LogindResume : public QObject, public platform::ResumeNotifier
{
    Q_OBJECT
public:
    explicit LogindResume(std::function<void()> resumed) : m_resumed(std::move(resumed))
    {
        // Connecting waits for the bus to greet us (libdbus bounds that
        // wait); a bus that hangs must not hold up the program's thread.
        // The thread ends by itself; if the program ends first, it is left
        // to the process's end.
        QThread *thread = QThread::create(
            [] { QDBusConnection::connectToBus(QDBusConnection::SystemBus, kConnectionName); });
        connect(thread, &QThread::finished, this, &LogindResume::subscribe);
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->start();
    }

    ~LogindResume() override
    {
        if (m_subscribed)
            QDBusConnection(kConnectionName)
                .disconnect(kService, kPath, kInterface, kSignal, this,
                            SLOT(onPrepareForSleep(bool)));
    }

private slots:
    void onPrepareForSleep(bool goingToSleep)
    {
        if (!goingToSleep)
            m_resumed();
    }

private:
    void subscribe()
    {
        // Without a bus there is no one to tell us of sleep: nothing to say.
        QDBusConnection bus(kConnectionName);
        if (bus.isConnected())
            m_subscribed = bus.connect(kService, kPath, kInterface, kSignal, this,
                                       SLOT(onPrepareForSleep(bool)));
    }

    std::function<void()> m_resumed;
    bool m_subscribed = false;
};

} // namespace

class LogindResumePlugin : public QObject, public platform::ResumeNotifierFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuorvelResumeNotifierFactory_iid)
    Q_INTERFACES(platform::ResumeNotifierFactory)
public:
    std::unique_ptr<platform::ResumeNotifier> watchResume(std::function<void()> resumed) override
    {
        return std::make_unique<LogindResume>(std::move(resumed));
    }
};

#include "LogindResume.moc"
