#include "AddressHistory.h"
#include "BrowserAddresses.h"
#include "BrowserCaption.h"
#include "BrowserSettings.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace browser;

class TestBrowserRules : public QObject
{
    Q_OBJECT
private slots:
    void proxiedAddress_data();
    void proxiedAddress();
    void history_data();
    void history();
    void startPage_data();
    void startPage();
};

void TestBrowserRules::proxiedAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("inQuery"); // what goes between the two tags
    const auto row = [](const char *name, const char *typed, const char *inQuery) {
        QTest::newRow(name) << QString(typed) << QString(inQuery);
    };
    row("no scheme", "example.com/a", "example.com/a");
    row("http dropped", "http://example.com", "example.com");
    row("any case", "HtTp://Example.COM/X", "Example.COM/X");
    row("https passed on", "https://example.com", "https://example.com");
    row("not at the start", " http://example.com", " http://example.com");
    // Nothing is encoded: the rest after "&" becomes keys of their own.
    row("ampersand unencoded", "http://a.example/?x=1&hl=it", "a.example/?x=1&hl=it");
    row("percent and blank kept", "a.example/%41 b", "a.example/%41 b");
}

void TestBrowserRules::proxiedAddress()
{
    QFETCH(QString, typed);
    QFETCH(QString, inQuery);
    const BrowserAddresses a =
        browserAddresses("http://ip.example:8080/quorvel.php", "127.0.0.1:9");
    QCOMPARE(a.startingAddress, QStringLiteral("http://ip.example:8080/quorvel.php"));
    QCOMPARE(a.searchSite, QStringLiteral("www.google.com"));
    QCOMPARE(a.proxied(typed), "http://127.0.0.1:9/translate?u=http%3A%2F%2F" + inQuery +
                                   "&langpair=it%7Cen&hl=en&ie=UTF-8&oe=UTF-8"
                                   "&prev=%2Flanguage_tools");
}

void TestBrowserRules::history_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("first") << QStringList{} << "a.example" << QStringList{"a.example"};
    QTest::newRow("new on top") << QStringList{"a", "b"} << "c" << QStringList{"c", "a", "b"};
    QTest::newRow("repeat moves up")
        << QStringList{"a", "b", "c"} << "c" << QStringList{"c", "a", "b"};
    QTest::newRow("listed without http")
        << QStringList{"a", "b.example"} << "HTTP://b.example" << QStringList{"b.example", "a"};
    QTest::newRow("case counts") << QStringList{"B.example"} << "b.example"
                                 << QStringList{"b.example", "B.example"};
}

void TestBrowserRules::history()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    QCOMPARE(withTypedAddress(entries, typed), expected);
}

void TestBrowserRules::startPage_data()
{
    QTest::addColumn<QByteArray>("settings"); // as a user writes them
    QTest::addColumn<QString>("u");           // in the query; "": none
    QTest::newRow("built-in services") << QByteArray() << "https%3A%2F%2Fapi.ipify.org/";
    QTest::newRow("IP Services")
        << QByteArray("IP%20Services=http://ip.example.org/ip, https://ip2.example.org/")
        << "http%3A%2F%2Fip.example.org/ip";
    QTest::newRow("IP Service Host")
        << QByteArray(
               "IP%20Service%20Host=ip.example.net:8080\nIP%20Services=http://ip.example.org/")
        << "http%3A%2F%2Fip.example.net:8080/quorvel.php";
    QTest::newRow("nothing usable")
        << QByteArray("IP%20Services=ftp://ip.example.org/, nonsense") << QString();
}

void TestBrowserRules::startPage()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, u);
    TestEnvironment env;
    env.writeSettingsFile("[Settings]\nTranslation%20Host=127.0.0.1:9\n" + settings);
    const BrowserAddresses a = browserAddresses(configuredStartPage(), configuredTranslationHost());
    QCOMPARE(a.proxiedStart(), u.isEmpty() ? QString()
                                           : "http://127.0.0.1:9/translate?u=" + u +
                                                 "&langpair=it%7Cen&hl=en&ie=UTF-8&oe=UTF-8"
                                                 "&prev=%2Flanguage_tools");
    // The start page's title leaves the caption bare; with none, titles show.
    const QString title = "Translated: " + a.startingAddress;
    QCOMPARE(captionWhenIdle(title, a.startingAddress),
             u.isEmpty() ? captionWith(title) : QString(kBrowserCaption));
}

QTEST_APPLESS_MAIN(TestBrowserRules)
#include "TestBrowserRules.moc"
