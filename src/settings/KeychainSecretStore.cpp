// The secret-store plug-in: QtKeychain, which reaches the Secret Service
// (GNOME Keyring, KeePassXC and others) or KWallet on Linux, whichever the
// desktop runs, over D-Bus. Loaded when a password is first needed.
#include "SecretStore.h"

#include <QObject>
#include <qt6keychain/keychain.h>

namespace settings {

namespace {

// The entries are filed under the program's name, one per key.
const QString kService = QStringLiteral("Quorvel");

class KeychainSecretStore : public SecretStore
{
public:
    void read(const QString &key, Callback done) override
    {
        auto *job = new QKeychain::ReadPasswordJob(kService);
        run(job, key, [job, done = std::move(done)](Result result) {
            if (result.status == Status::Ok)
                result.secret = job->textData();
            done(result);
        });
    }

    void write(const QString &key, const QString &secret, Callback done) override
    {
        auto *job = new QKeychain::WritePasswordJob(kService);
        job->setTextData(secret);
        run(job, key, std::move(done));
    }

private:
    void run(QKeychain::Job *job, const QString &key, Callback done)
    {
        // A job that outlives the store ends without telling anyone.
        job->setAutoDelete(true);
        job->setKey(key);
        // Never the plain-text file QtKeychain could fall back on: where
        // there is no store, the settings keep the secret on our terms.
        job->setInsecureFallback(false);
        QObject::connect(job, &QKeychain::Job::finished, &m_context,
                         [done = std::move(done)](QKeychain::Job *finished) {
                             Result result;
                             switch (finished->error()) {
                             case QKeychain::NoError:
                                 result.status = Status::Ok;
                                 break;
                             case QKeychain::EntryNotFound:
                                 result.status = Status::NotFound;
                                 break;
                             default:
                                 result.error = finished->errorString();
                                 break;
                             }
                             done(result);
                         });
        job->start();
    }

    QObject m_context;
};

} // namespace

} // namespace settings

class KeychainPlugin : public QObject, public settings::SecretStoreFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuorvelSecretStoreFactory_iid)
    Q_INTERFACES(settings::SecretStoreFactory)
public:
    std::unique_ptr<settings::SecretStore> createSecretStore() override
    {
        return std::make_unique<settings::KeychainSecretStore>();
    }
};

#include "KeychainSecretStore.moc"
