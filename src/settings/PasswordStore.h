#pragma once

#include "SecretStore.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>

class QTimer;

namespace settings {

// The mail password. Where the desktop has a secret store it is kept there
// and the settings key "Password" holds none: a password found in the
// settings file is moved into the store once and taken out of the file.
// Without a store (a server, a desktop without one, a store that does not
// answer in time) the settings file keeps it, as it always did, readable by
// its owner only.
//
// Nothing here blocks: every answer comes later through a callback. The
// requests run one after the other in the order they were made, so a
// password saved and then loaded is the one saved, even when the dialog
// that saved it is already gone.
class PasswordStore : public QObject
{
    Q_OBJECT
public:
    // secure: the secret store holds the password (false: the settings
    // file does).
    using Loaded = std::function<void(const QString &password, bool secure)>;
    using Saved = std::function<void(bool secure)>;

    explicit PasswordStore(std::unique_ptr<SecretStore> secrets, QObject *parent = nullptr);
    ~PasswordStore() override;

    // The program's one store, on the desktop's secret store. One for all,
    // so that the order of requests holds across windows.
    static PasswordStore &instance();

    // Answers with the password; done is dropped when context is gone.
    void load(QObject *context, Loaded done);
    // Keeps the password as typed; done may be empty.
    void save(const QString &password, QObject *context, Saved done = {});

    // How long one request may keep the store waiting before the settings
    // file is used instead. A store that asks the user to unlock it needs
    // some patience.
    static constexpr std::chrono::milliseconds kDefaultTimeout{30000};
    void setTimeout(std::chrono::milliseconds timeout);

private:
    using Request = std::function<void(SecretStore::Callback)>;

    void enqueue(std::function<void()> operation);
    void runNext();
    // One request to the secret store; then runs with its result, or with
    // an unavailable one once the time-out has passed.
    void ask(Request request, std::function<void(const SecretStore::Result &)> then);

    std::unique_ptr<SecretStore> m_secrets;
    std::deque<std::function<void()>> m_queue;
    bool m_busy = false;
    // Tells the answer of the request under way from late ones.
    quint64 m_requestId = 0;
    QTimer *m_timer;
    std::function<void(const SecretStore::Result &)> m_then;
};

} // namespace settings
