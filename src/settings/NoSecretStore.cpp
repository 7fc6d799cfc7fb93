// Builds without QtKeychain (the static Windows build): there is no secret
// store, so the password stays in the settings.
#include "SecretStore.h"

#include <QObject>
#include <QTimer>

namespace settings {

namespace {

class NoSecretStore : public SecretStore
{
public:
    void read(const QString &, Callback done) override { refuse(std::move(done)); }
    void write(const QString &, const QString &, Callback done) override
    {
        refuse(std::move(done));
    }

private:
    void refuse(Callback done)
    {
        // Later, as a real store would answer.
        QTimer::singleShot(0, &m_context, [done = std::move(done)] {
            done({SecretStore::Status::Unavailable, QString(),
                  QStringLiteral("this build has no secret store")});
        });
    }

    QObject m_context;
};

} // namespace

std::unique_ptr<SecretStore> makeDesktopSecretStore()
{
    return std::make_unique<NoSecretStore>();
}

} // namespace settings
