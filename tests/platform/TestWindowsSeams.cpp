// The Windows seams against the system itself, for a throw-away Wine prefix
// (scripts/with-wine): it writes to the registry and leaves its values
// there, but for the mail client's account, which other tests read. Only
// 127.0.0.1 is ever sent anything.
#include "AdapterStatusSource.h"
#include "ArpQuery.h"
#include "AutoStart.h"
#include "ConnectionState.h"
#include "ContentType.h"
#include "DefaultMailAccount.h"
#include "HostAddresses.h"
#include "HostName.h"
#include "IcmpEcho.h"
#include "NameLookup.h"
#include "NetworkChangeWatcher.h"
#include "RegistryLayout.h"
#include "SettingsStore.h"
#include "SoundOutput.h"
#include "TerminationWatcher.h"
#include "WaveFile.h"
#include "WaveImage.h"

#include <QNetworkInterface>
#include <QSignalSpy>
#include <QtTest>

#include <windows.h>

using namespace platform;

namespace {

const quint32 kLoopback = 0x7F000001;

// A string value as it lies in the registry; null when it is not one.
QString registryString(HKEY root, const char16_t *key, const wchar_t *value)
{
    wchar_t text[512] = {};
    DWORD size = sizeof text, type = 0;
    const bool read = ::RegGetValueW(root, reinterpret_cast<const wchar_t *>(key), value,
                                     RRF_RT_ANY, &type, text, &size) == ERROR_SUCCESS;
    return read && type == REG_SZ ? QString::fromWCharArray(text) : QString();
}

void setRegistryString(HKEY root, const char *key, const char *value, const char *text)
{
    QCOMPARE(::RegSetKeyValueA(root, key, value, REG_SZ, text, DWORD(qstrlen(text) + 1)),
             ERROR_SUCCESS);
}

} // namespace

class TestWindowsSeams : public QObject
{
    Q_OBJECT
private slots:
    void settingsAreTheUsersStringValues()
    {
        settings::SettingsStore().setValue("Round Trip", " a b ");
        QCOMPARE(registryString(HKEY_CURRENT_USER, registry::kSettingsKey, L"Round Trip"), " a b ");
        QCOMPARE(settings::SettingsStore().value("Round Trip", "x"), QString(" a b "));
        // The machine's key never stands in for the user's.
        setRegistryString(HKEY_LOCAL_MACHINE, "Software\\Quorvel\\Quorvel\\Settings", "M", "m");
        QCOMPARE(settings::SettingsStore().value("M", "absent"), QString("absent"));
    }

    void runEntryIsTheUsers()
    {
        // Left in the machine's key by an older version (Wine's user may
        // take it away, as an administrator may).
        setRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                          "Quorvel", "C:\\Old\\Quorvel");
        setStartAtLogon(true, "C:\\Tools\\Quorvel.exe");
        QCOMPARE(registryString(HKEY_CURRENT_USER, registry::kRunKey, L"Quorvel"),
                 "C:\\Tools\\Quorvel");
        QCOMPARE(::RegGetValueW(HKEY_LOCAL_MACHINE,
                                reinterpret_cast<const wchar_t *>(registry::kRunKey), L"Quorvel",
                                RRF_RT_ANY, nullptr, nullptr, nullptr),
                 LSTATUS(ERROR_FILE_NOT_FOUND));
        setStartAtLogon(false, "C:\\Tools\\Quorvel.exe");
        QCOMPARE(registryString(HKEY_CURRENT_USER, registry::kRunKey, L"Quorvel"), "");
        QVERIFY(
            startAtLogonLocation().startsWith("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                                              "CurrentVersion\\Run\\"));
    }

    void endRequestedByName()
    {
        const auto setEvent = [] {
            HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE,
                                        reinterpret_cast<const wchar_t *>(kEndRequestEvent));
            const bool set = event && ::SetEvent(event);
            if (event)
                ::CloseHandle(event);
            return set;
        };
        auto *watcher = new TerminationWatcher;
        QSignalSpy requested(watcher, &TerminationWatcher::terminationRequested);
        QVERIFY(setEvent());
        QTRY_COMPARE(requested.count(), 1);
        QTest::qWait(200);
        QCOMPARE(requested.count(), 1); // once per request
        delete watcher;
        // The event stays for as long as the process does: it is gone only
        // once the program is.
        QVERIFY(setEvent());
    }

    void namesFromTheHostsFile()
    {
        // The hosts file answers, so no name server is asked.
        QCOMPARE(firstIpv4Address("localhost"), "127.0.0.1");
        QCOMPARE(firstIpv4Address("127.0.0.1"), "127.0.0.1");
        QCOMPARE(hostNameOfAddress(kLoopback), "localhost");
    }

    void lanAddressesFromTheAdapterList()
    {
        // Wine lists the host's interfaces, loopback left out as Windows
        // does; Qt reads the same ones through another call.
        const auto adapters = adapterIpv4Addresses();
        QVERIFY(adapters);
        QStringList listed, firsts, qts, qtIpv6;
        for (const QStringList &a : *adapters) {
            QVERIFY(!a.isEmpty());
            listed += a;
            if (a.first() != "0.0.0.0")
                firsts << a.first() + "\r\n";
        }
        listed.removeAll("0.0.0.0");
        for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
            for (const QNetworkAddressEntry &e : i.addressEntries()) {
                const QHostAddress a = e.ip();
                if (i.flags().testFlag(QNetworkInterface::IsLoopBack))
                    continue;
                if (a.toIPv4Address())
                    qts << a.toString();
                else if (!a.isLinkLocal() && !a.isSiteLocal() && !a.isMulticast())
                    qtIpv6 << a.toString();
            }
        }
        listed.sort();
        qts.sort();
        QCOMPARE(listed, qts);
        // The IPv6 ones (IP Helper's other list) follow, global and unique
        // local alike.
        QStringList ipv6 = address::machineIpv6Addresses();
        for (const QString &a : ipv6)
            firsts << a + "\r\n";
        QCOMPARE(address::lanAddresses(), firsts.join(QString()));
        ipv6.sort();
        qtIpv6.sort();
        QCOMPARE(ipv6, qtIpv6);
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
        for (const EchoReply &r : {got[plain], got[withTtl]})
            QVERIFY(r.answered && r.status == ipstatus::Success && r.address == kLoopback);
        QCOMPARE(got[plain].data, data);
        // Gone with a request under way: its thread finishes alone.
        IcmpEcho().send({kLoopback, "gone", 0, 2000});
    }

    void hostNameIsTheMachines()
    {
        const HostNameResult r = queryHostName();
        QVERIFY(r.ok && !r.name.isEmpty() && !r.cleanupFailed);
        QCOMPARE(socketsProblem(r.startup), SocketsProblem::None);
        QCOMPARE(QString::fromLocal8Bit(r.name), QSysInfo::machineHostName());
    }

    void netBiosListing()
    {
        // Wine's NetBIOS lists one adapter; an adapter number nobody has
        // fails everywhere (under Wine only in the call's result).
        const auto source = systemAdapterSource();
        const auto numbers = source->adapterNumbers();
        for (const int adapter : numbers.value_or(QList<int>{}))
            if (source->reset(adapter))
                QCOMPARE(source->hardwareAddress(adapter).value_or(QByteArray(6, 0)).size(), 6);
        QVERIFY(!numbers.value_or(QList<int>{}).contains(250) && !source->reset(250));
        QVERIFY(!source->hardwareAddress(250));
        QVERIFY(!source->reset(-1) && !source->reset(255));
    }

    void arpOnLoopbackFails()
    {
        // Loopback has no hardware address, and Wine answers every ARP query
        // with "not supported": the query fails, within its time-out.
        QCOMPARE(ipv4FromText("127.0.0.1"), qToBigEndian(kLoopback));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!queryHardwareAddress(qToBigEndian(kLoopback), std::chrono::seconds(2)).ok);
        QVERIFY(timer.elapsed() < 3000);
    }

    void wakeUpsAndNetworkChanges()
    {
        NetworkChangeWatcher watcher;
        QSignalSpy resumed(&watcher, &NetworkChangeWatcher::resumed);
        // The power broadcast reaches top-level windows only, the ones
        // FindWindow finds.
        const HWND window = ::FindWindowW(L"QuorvelPowerWindow", nullptr);
        QVERIFY(window);
        ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
        ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        QCOMPARE(resumed.count(), 1);
        // Wine (8) answers the subscriptions with success, no handle and no
        // callbacks ever: the watcher says so rather than wait for nothing.
        const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
        QCOMPARE(watcher.errorString(),
                 wine ? "NotifyIpInterfaceChange is not supported: network changes are not noticed."
                      : QString());
    }

    void connectionStateDecodes()
    {
        const ConnectionState state = queryConnectionState();
        QVERIFY2((state.flags & ~0x7Fu) == 0, qPrintable(QString::number(state.flags, 16)));
    }

    void registeredContentTypesAndMailAccount()
    {
        setRegistryString(HKEY_CLASSES_ROOT, ".quorveltest", "Content Type", "application/x-qt");
        QCOMPARE(contentTypeForFile("a.b.quorveltest"), "application/x-qt");
        QCOMPARE(contentTypeForFile("a.unregistered"), "application/octet-stream");

        QVERIFY(!readDefaultMailAccount().smtpServer);
        const QByteArray account = registry::mailAccountKey("00000002");
        setRegistryString(HKEY_CURRENT_USER, registry::kAccountManagerKey,
                          registry::kDefaultAccountValue, "00000002");
        setRegistryString(HKEY_CURRENT_USER, account.constData(), registry::kSmtpServerValue,
                          "smtp.example");
        setRegistryString(HKEY_CURRENT_USER, account.constData(), registry::kEmailAddressValue, "");
        const MailAccount read = readDefaultMailAccount();
        QCOMPARE(read.smtpServer.value_or(QString()), "smtp.example");
        QVERIFY(!read.email && !read.displayName); // empty and missing alike
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Account Manager");
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
        QTRY_COMPARE(stopped.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestWindowsSeams)
#include "TestWindowsSeams.moc"
