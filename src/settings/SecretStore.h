#pragma once

#include <QString>
#include <QtPlugin>
#include <functional>
#include <memory>

namespace settings {

// The desktop's secret store (the Secret Service of GNOME and others,
// KWallet, a platform keychain), asked without ever blocking: a request
// returns at once and answers later through its callback, on the thread
// that asked.
class SecretStore
{
public:
    enum class Status
    {
        Ok,
        NotFound,   // the store works but holds nothing under the key
        Unavailable // no store, locked, refused, or failed
    };
    struct Result
    {
        Status status = Status::Unavailable;
        QString secret; // what a read found
        QString error;  // why a request failed
    };
    using Callback = std::function<void(const Result &)>;

    virtual ~SecretStore() = default;

    // The callback comes at most once, never before the call returns and
    // never after the store is gone. A store that hangs may never answer:
    // callers bound their waits.
    virtual void read(const QString &key, Callback done) = 0;
    virtual void write(const QString &key, const QString &secret, Callback done) = 0;
};

// What the secret-store plug-in offers.
class SecretStoreFactory
{
public:
    virtual ~SecretStoreFactory() = default;
    virtual std::unique_ptr<SecretStore> createSecretStore() = 0;
};

// The desktop's store where this build has one (QtKeychain, in a plug-in
// loaded on the first request); otherwise, and when the plug-in cannot be
// loaded, a store that is never available, which leaves secrets in the
// settings.
std::unique_ptr<SecretStore> makeDesktopSecretStore();

} // namespace settings

#define QuorvelSecretStoreFactory_iid "org.quorvel.SecretStoreFactory/1"
Q_DECLARE_INTERFACE(settings::SecretStoreFactory, QuorvelSecretStoreFactory_iid)
