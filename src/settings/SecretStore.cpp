#include "SecretStore.h"

#include "PluginLoader.h"

#include <QObject>
#include <QTimer>

namespace settings {

namespace {

// No store: every request is refused (later, as a real store answers), so
// the password stays in the settings.
class NoSecretStore : public SecretStore
{
public:
    explicit NoSecretStore(QString reason) : m_reason(std::move(reason)) {}

    void read(const QString &, Callback done) override { refuse(std::move(done)); }
    void write(const QString &, const QString &, Callback done) override
    {
        refuse(std::move(done));
    }

private:
    void refuse(Callback done)
    {
        QTimer::singleShot(0, &m_context, [done = std::move(done), reason = m_reason] {
            done({SecretStore::Status::Unavailable, QString(), reason});
        });
    }

    QString m_reason;
    QObject m_context;
};

#ifdef QUORVEL_KEYCHAIN_PLUGIN
// The plug-in's store, loaded with its libraries (D-Bus among them) on the
// first request rather than when the program starts.
class PluginSecretStore : public SecretStore
{
public:
    void read(const QString &key, Callback done) override { store().read(key, std::move(done)); }
    void write(const QString &key, const QString &secret, Callback done) override
    {
        store().write(key, secret, std::move(done));
    }

private:
    SecretStore &store()
    {
        if (!m_store) {
            QString error;
            if (auto *factory = platform::loadPlugin<SecretStoreFactory>(
                    QStringLiteral("quorvel-keychain"), &error))
                m_store = factory->createSecretStore();
            else
                m_store = std::make_unique<NoSecretStore>(
                    QStringLiteral("the secret store plug-in cannot be loaded: ") + error);
        }
        return *m_store;
    }

    std::unique_ptr<SecretStore> m_store;
};
#endif

} // namespace

std::unique_ptr<SecretStore> makeDesktopSecretStore()
{
#ifdef QUORVEL_KEYCHAIN_PLUGIN
    return std::make_unique<PluginSecretStore>();
#else
    return std::make_unique<NoSecretStore>(QStringLiteral("this build has no secret store"));
#endif
}

} // namespace settings
