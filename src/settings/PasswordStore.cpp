#include "PasswordStore.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QTimer>

namespace settings {

namespace {

QString passwordInFile()
{
    SettingsStore store;
    const QString password = store.value(keys::Password, QString()).value_or(QString());
    // Whichever program finds a password there, the file is kept private.
    if (!password.isEmpty())
        store.keepPrivate();
    return password;
}

} // namespace

PasswordStore::PasswordStore(std::unique_ptr<SecretStore> secrets, QObject *parent)
    : QObject(parent), m_secrets(std::move(secrets)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(kDefaultTimeout);
    connect(m_timer, &QTimer::timeout, this, [this] {
        ++m_requestId; // whatever the store says later is not heard
        if (const auto then = std::exchange(m_then, nullptr))
            then({SecretStore::Status::Unavailable, QString(),
                  QStringLiteral("the secret store did not answer")});
    });
}

PasswordStore::~PasswordStore() = default;

PasswordStore &PasswordStore::instance()
{
    static QPointer<PasswordStore> store;
    if (!store)
        store = new PasswordStore(makeDesktopSecretStore(), QCoreApplication::instance());
    return *store;
}

void PasswordStore::setTimeout(std::chrono::milliseconds timeout)
{
    m_timer->setInterval(timeout);
}

void PasswordStore::load(QObject *context, Loaded done)
{
    enqueue([this, context = QPointer<QObject>(context), done = std::move(done)] {
        auto answer = [context, done](const QString &password, bool secure) {
            if (context)
                done(password, secure);
        };
        const QString inFile = passwordInFile();
        if (!inFile.isEmpty()) {
            // Left by an older version, by a run without a store, or by
            // hand: moved into the store when there is one.
            ask(
                [this, inFile](SecretStore::Callback cb) {
                    m_secrets->write(keys::Password, inFile, std::move(cb));
                },
                [inFile, answer](const SecretStore::Result &r) {
                    const bool moved = r.status == SecretStore::Status::Ok;
                    if (moved)
                        SettingsStore().remove(keys::Password);
                    answer(inFile, moved);
                });
            return;
        }
        ask([this](SecretStore::Callback cb) { m_secrets->read(keys::Password, std::move(cb)); },
            [answer](const SecretStore::Result &r) {
                switch (r.status) {
                case SecretStore::Status::Ok:
                    answer(r.secret, true);
                    break;
                case SecretStore::Status::NotFound:
                    answer(QString(), true);
                    break;
                case SecretStore::Status::Unavailable:
                    answer(passwordInFile(), false);
                    break;
                }
            });
    });
}

void PasswordStore::save(const QString &password, QObject *context, Saved done)
{
    const bool wantsAnswer = bool(done);
    enqueue([this, password, context = QPointer<QObject>(context), done = std::move(done),
             wantsAnswer] {
        ask(
            [this, password](SecretStore::Callback cb) {
                m_secrets->write(keys::Password, password, std::move(cb));
            },
            [password, context, done, wantsAnswer](const SecretStore::Result &r) {
                const bool secure = r.status == SecretStore::Status::Ok;
                if (secure)
                    SettingsStore().remove(keys::Password);
                else
                    SettingsStore().setValue(keys::Password, password);
                if (wantsAnswer && context)
                    done(secure);
            });
    });
}

void PasswordStore::enqueue(std::function<void()> operation)
{
    m_queue.push_back(std::move(operation));
    if (!m_busy)
        runNext();
}

void PasswordStore::runNext()
{
    if (m_queue.empty()) {
        m_busy = false;
        return;
    }
    m_busy = true;
    const auto operation = std::move(m_queue.front());
    m_queue.pop_front();
    operation();
}

void PasswordStore::ask(Request request, std::function<void(const SecretStore::Result &)> then)
{
    // Every operation ends by running the next one, however it ends.
    m_then = [this, then = std::move(then)](const SecretStore::Result &r) {
        then(r);
        runNext();
    };
    const quint64 id = ++m_requestId;
    m_timer->start();
    request([this, id](const SecretStore::Result &r) {
        if (id != m_requestId || !m_then)
            return;
        m_timer->stop();
        std::exchange(m_then, nullptr)(r);
    });
}

} // namespace settings
