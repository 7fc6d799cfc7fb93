#include "PasswordStore.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QProcess>
#include <QtTest>
#include <optional>

using settings::PasswordStore;
using settings::SecretStore;

// The mail password with a real secret store (QUORVEL_TEST_SECRET_STORE=present:
// a gnome-keyring-daemon of the test's own on a private session bus, started
// by secret-store.sh) and without any (no session bus at all).
class TestPasswordStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void movedOnceThenRoundTrips();
    void silentStoreFallsBackToFile();

private:
    bool m_present = false;
};

namespace {

using Loaded = std::optional<std::pair<QString, bool>>;

// meanwhile runs once the request is under way.
Loaded load(PasswordStore &store, const std::function<void()> &meanwhile = {})
{
    Loaded result;
    QObject context;
    store.load(&context, [&](const QString &password, bool secure) {
        QVERIFY(!result); // answered once
        result.emplace(password, secure);
    });
    if (meanwhile)
        meanwhile();
    return QTest::qWaitFor([&] { return result.has_value(); }, 15000) ? result : std::nullopt;
}

QByteArray fileText(const TestEnvironment &env)
{
    QFile f(env.settingsFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the keyring itself holds, asked through its own tool.
QString keyringPassword()
{
    QProcess tool;
    tool.start("secret-tool", {"lookup", "user", "Password", "server", "Quorvel"});
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// Answers nothing until the test makes it, as a store that waits for a
// locked keyring does.
class SilentStore : public SecretStore
{
public:
    void read(const QString &, Callback done) override { pending.push_back(std::move(done)); }
    void write(const QString &, const QString &, Callback done) override
    {
        pending.push_back(std::move(done));
    }
    std::vector<Callback> pending;
};

} // namespace

void TestPasswordStore::initTestCase()
{
    m_present = qgetenv("QUORVEL_TEST_SECRET_STORE") == "present";
    if (!m_present) // never the session bus of whoever runs the test
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvel-test-bus");
}

void TestPasswordStore::movedOnceThenRoundTrips()
{
    TestEnvironment env;
    // As an older version left it: the password in a file others may read.
    env.writeSettingsFile("[Settings]\nUsername=ann\nPassword=\" old pw \"\n");
    QFile::setPermissions(env.settingsFile(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadGroup | QFile::ReadOther);
    PasswordStore &store = PasswordStore::instance();
    const Loaded first = load(store);
    QVERIFY(first);
    QCOMPARE(*first, std::make_pair(QString(" old pw "), m_present));
    QCOMPARE(fileText(env).contains("Password="), !m_present);
    if (m_present)
        QCOMPARE(keyringPassword(), " old pw ");

    // Loaded right after saving, before the store has answered: the queue
    // keeps the order.
    store.save("new pw", nullptr);
    const Loaded second = load(store);
    QVERIFY(second);
    QCOMPARE(*second, std::make_pair(QString("new pw"), m_present));
    const QByteArray text = fileText(env);
    QVERIFY2(text.contains("Username=ann"), text.constData());
    QCOMPARE(text.contains("Password=new pw"), !m_present);
    QCOMPARE(text.contains("Password="), !m_present);
    QCOMPARE(QFile::permissions(env.settingsFile()) & 0x0777, QFile::ReadUser | QFile::WriteUser);
    if (m_present)
        QCOMPARE(keyringPassword(), "new pw");
}

void TestPasswordStore::silentStoreFallsBackToFile()
{
    TestEnvironment env;
    env.writeSettingsFile("[Settings]\nPassword=pw\n");
    auto *silent = new SilentStore;
    PasswordStore store{std::unique_ptr<SecretStore>(silent)};
    store.setTimeout(std::chrono::milliseconds(100));
    QCOMPARE(load(store), Loaded(std::make_pair(QString("pw"), false)));
    bool saved = true;
    store.save("typed", this, [&saved](bool secure) { saved = secure; });
    QTRY_COMPARE(silent->pending.size(), size_t(2));
    QTRY_VERIFY(!saved);
    // The two answers come after all, while the next request waits: too
    // late to count for any of them.
    const Loaded third = load(store, [silent] {
        QCOMPARE(silent->pending.size(), size_t(3));
        for (size_t i = 0; i < 2; ++i)
            silent->pending[i]({SecretStore::Status::Ok, "late", QString()});
    });
    QCOMPARE(third, Loaded(std::make_pair(QString("typed"), false)));
    QCOMPARE(settings::SettingsStore().value(settings::keys::Password, QString()), "typed");
}

QTEST_GUILESS_MAIN(TestPasswordStore)
#include "TestPasswordStore.moc"
