// The Windows seams against the system itself, meant for a throw-away Wine
// prefix (scripts/with-wine): it writes to the registry. Only 127.0.0.1 is
// ever sent anything.
#include "AdapterStatusSource.h"
#include "ArpQuery.h"
#include "AutoStart.h"
#include "ConnectionState.h"
#include "ContentType.h"
#include "DefaultMailAccount.h"
#include "HostName.h"
#include "IcmpEcho.h"
#include "PathCompaction.h"
#include "RegistryLayout.h"
#include "SettingsStore.h"
#include "SoundOutput.h"
#include "TerminationWatcher.h"
#include "WaveFile.h"
#include "WaveImage.h"

#include <QSignalSpy>
#include <QtTest>

#include <windows.h>

using namespace platform;

namespace {

const wchar_t *wide(const QString &s)
{
    return reinterpret_cast<const wchar_t *>(s.utf16());
}

// A string value as it lies in the registry; null when it is not one.
QString registryString(HKEY root, const QString &key, const QString &value)
{
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer, type = 0;
    if (::RegGetValueW(root, wide(key), wide(value), RRF_RT_ANY, &type, buffer, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return QString();
    return QString::fromWCharArray(buffer);
}

void setRegistryString(HKEY root, const char *key, const char *value, const char *text)
{
    QVERIFY(::RegSetKeyValueA(root, key, value, REG_SZ, text, DWORD(qstrlen(text) + 1)) ==
            ERROR_SUCCESS);
}

const quint32 kLoopback = 0x7F000001;

} // namespace

class TestWindowsSeams : public QObject
{
    Q_OBJECT
private slots:
    void settingsAreTheUsersStringValues()
    {
        const QString key = QString::fromUtf16(registry::kSettingsKey);
        settings::SettingsStore().setValue("Round Trip", " a b ");
        QCOMPARE(registryString(HKEY_CURRENT_USER, key, "Round Trip"), QString(" a b "));
        QCOMPARE(settings::SettingsStore().value("Round Trip", "x"), QString(" a b "));
        // The machine's key never stands in for the user's.
        setRegistryString(HKEY_LOCAL_MACHINE, "Software\\Quorvel\\Quorvel\\Settings", "Machine",
                          "m");
        QCOMPARE(settings::SettingsStore().value("Machine", "absent"), QString("absent"));
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, wide(key), L"Round Trip");
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Quorvel");
    }

    void runEntryWrittenAndSwitchedOff()
    {
        const QString key = QString::fromUtf16(registry::kRunKey);
        setStartAtLogon(true, "C:\\Tools\\Quorvel.exe");
        const QString on = registryString(HKEY_LOCAL_MACHINE, key, "Quorvel");
        if (on.isNull())
            QSKIP("this user may not write the machine's Run key (ignored by design)");
        QCOMPARE(on, QString("C:\\Tools\\Quorvel"));
        setStartAtLogon(false, "C:\\Tools\\Quorvel.exe");
        QCOMPARE(registryString(HKEY_LOCAL_MACHINE, key, "Quorvel"), QString(""));
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, wide(key), L"Quorvel");
    }

    void echoToLoopback()
    {
        IcmpEcho echo;
        QVERIFY2(echo.isOpen(), qPrintable(echo.openError()));
        QHash<int, EchoReply> got;
        connect(&echo, &IcmpEcho::finished, this, [&got](int id, const EchoReply &reply) {
            QVERIFY2(!got.contains(id), "two answers for one request");
            got.insert(id, reply);
        });
        QElapsedTimer sending;
        sending.start();
        const QByteArray data = QByteArray("quorvel").repeated(40);
        const int plain = echo.send({kLoopback, data, 0, 2000});
        const int withTtl = echo.send({kLoopback, "t", 5, 2000});
        QVERIFY(sending.elapsed() < 200); // nothing waits for the answers
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 2, 5000);
        if (got[plain].status == ipstatus::GeneralFailure && !got[plain].answered)
            QSKIP("Wine may not send ICMP here (it needs root or an open "
                  "net.ipv4.ping_group_range); the failure came back as a status");
        for (const int id : {plain, withTtl}) {
            QCOMPARE(got[id].status, ipstatus::Success);
            QVERIFY(got[id].answered);
            QCOMPARE(got[id].address, kLoopback);
        }
        QCOMPARE(got[plain].data, data);
        // Ended with a request under way: the service's buffer is let go of.
        auto *early = new IcmpEcho;
        early->send({kLoopback, "gone", 0, 2000});
        delete early;
    }

    void hostNameIsTheMachines()
    {
        const HostNameResult r = queryHostName();
        QVERIFY(r.ok);
        QCOMPARE(socketsProblem(r.startup), SocketsProblem::None);
        QVERIFY(!r.cleanupFailed);
        QVERIFY(!r.name.isEmpty());
        QCOMPARE(QString::fromLocal8Bit(r.name), QSysInfo::machineHostName());
    }

    void netBiosListing()
    {
        // Wine's NetBIOS lists one adapter whose status holds no real
        // hardware address; on Windows every adapter bound to NetBIOS
        // answers. An adapter number not listed fails the same everywhere.
        const auto source = systemAdapterSource();
        const auto numbers = source->adapterNumbers();
        qInfo() << "NetBIOS adapters:" << numbers.value_or(QList<int>{-1});
        for (const int adapter : numbers.value_or(QList<int>{}))
            if (source->reset(adapter))
                QCOMPARE(source->hardwareAddress(adapter).value_or(QByteArray(6, 0)).size(), 6);
        const int unlisted = 250;
        QVERIFY(!numbers.value_or(QList<int>{}).contains(unlisted));
        QVERIFY(!source->reset(unlisted));
        QVERIFY(!source->hardwareAddress(unlisted));
        QVERIFY(!source->reset(-1) && !source->reset(255));
    }

    void arpOnLoopbackFails()
    {
        // Loopback has no hardware address (and Wine answers ARP queries with
        // "not supported"): the query fails, within its time-out.
        QCOMPARE(ipv4FromText("127.0.0.1"), qToBigEndian(kLoopback));
        QCOMPARE(ipv4FromText("not an address"), 0xFFFFFFFFu);
        QElapsedTimer timer;
        timer.start();
        const ArpReply reply =
            queryHardwareAddress(ipv4FromText("127.0.0.1"), std::chrono::seconds(2));
        QVERIFY(!reply.ok);
        QVERIFY(timer.elapsed() < 3000);
    }

    void connectionStateDecodes()
    {
        const ConnectionState state = queryConnectionState();
        qInfo() << "connected:" << state.online << "flags:" << Qt::hex << state.flags;
        QCOMPARE(state.flags & ~0x7Fu, 0u);
    }

    void registeredContentTypesAndMailAccount()
    {
        setRegistryString(HKEY_CLASSES_ROOT, ".quorveltest", "Content Type", "application/x-qt");
        QCOMPARE(contentTypeForFile("a.b.quorveltest"), QString("application/x-qt"));
        QCOMPARE(contentTypeForFile("a.unregistered-type"), QString("application/octet-stream"));
        QCOMPARE(contentTypeForFile("README"), QString("application/octet-stream"));
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".quorveltest");

        QVERIFY(!readDefaultMailAccount().smtpServer);
        const QByteArray account = registry::mailAccountKey("00000002");
        setRegistryString(HKEY_CURRENT_USER, registry::kAccountManagerKey,
                          registry::kDefaultAccountValue, "00000002");
        setRegistryString(HKEY_CURRENT_USER, account.constData(), registry::kSmtpServerValue,
                          "smtp.example");
        setRegistryString(HKEY_CURRENT_USER, account.constData(), registry::kEmailAddressValue, "");
        const MailAccount read = readDefaultMailAccount();
        QCOMPARE(read.smtpServer.value_or(QString()), QString("smtp.example"));
        QVERIFY(!read.email && !read.displayName); // empty and missing alike
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Account Manager");
    }

    void compactedPath()
    {
        const QString path = "C:\\Program Files\\A Rather Long Folder\\Another One\\sound.wav";
        const FontDescription font{"Tahoma", 11, 400, false};
        QCOMPARE(systemCompactedPath(path, 2000, font).value_or(QString()), path);
        const QString shortened = systemCompactedPath(path, 120, font).value_or(QString());
        QVERIFY2(shortened.contains("...") && shortened.endsWith("\\sound.wav"),
                 qPrintable(shortened));
    }

    void soundPlaysWithoutWaiting()
    {
        const QByteArray image = wave::tone(2.0, 22050);
        SoundOutput output;
        QSignalSpy stopped(&output, &SoundOutput::stopped);
        QElapsedTimer timer;
        timer.start();
        output.play(image, *settings::parseWave(image));
        output.play(image, *settings::parseWave(image)); // cuts the first off
        QVERIFY(timer.elapsed() < 500);
        // Without a sound device the service may refuse; either way it ends.
        output.stop();
        QVERIFY(!output.isPlaying());
        QCOMPARE(stopped.count(), 2);
    }

    void consoleBreakArrivesQueued()
    {
        TerminationWatcher watcher;
        QSignalSpy requested(&watcher, &TerminationWatcher::terminationRequested);
        // Wine runs the test without a console that could send one.
        if (!::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0))
            QSKIP("this process has no console to send a break to");
        QTRY_COMPARE(requested.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestWindowsSeams)
#include "TestWindowsSeams.moc"
