#include "AddressHistory.h"
#include "BrowserAddresses.h"
#include "BrowserCaption.h"
#include "BrowserLayout.h"

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
    void caption_data();
    void caption();
    void layout_data();
    void layout();
};

void TestBrowserRules::proxiedAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("inQuery"); // what goes between the two tags

    QTest::newRow("no scheme") << "example.com/a"
                               << "example.com/a";
    QTest::newRow("http dropped") << "http://example.com"
                                  << "example.com";
    QTest::newRow("any case") << "HtTp://Example.COM/X"
                              << "Example.COM/X";
    QTest::newRow("only the scheme") << "HTTP://"
                                     << "";
    QTest::newRow("https passed on") << "https://example.com"
                                     << "https://example.com";
    QTest::newRow("other schemes passed on") << "ftp://example.com"
                                             << "ftp://example.com";
    QTest::newRow("not at the start") << " http://example.com"
                                      << " http://example.com";
    QTest::newRow("not quite http") << "http:/example.com"
                                    << "http:/example.com";
    // Nothing is encoded: the rest after "&" becomes keys of their own.
    QTest::newRow("ampersand unencoded") << "http://a.example/?x=1&hl=it"
                                         << "a.example/?x=1&hl=it";
    QTest::newRow("percent and blank kept") << "a.example/%41 b"
                                            << "a.example/%41 b";
}

void TestBrowserRules::proxiedAddress()
{
    QFETCH(QString, typed);
    QFETCH(QString, inQuery);
    const BrowserAddresses a = browserAddresses("ip.example:8080", "127.0.0.1:9");
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
    QTest::newRow("already on top") << QStringList{"a", "b"} << "a" << QStringList{"a", "b"};
    QTest::newRow("listed without http")
        << QStringList{"a", "b.example"} << "HTTP://b.example" << QStringList{"b.example", "a"};
    QTest::newRow("case counts") << QStringList{"B.example"} << "b.example"
                                 << QStringList{"b.example", "B.example"};
    QTest::newRow("https kept") << QStringList{"https://b.example"} << "https://b.example"
                                << QStringList{"https://b.example"};
}

void TestBrowserRules::history()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    QCOMPARE(withTypedAddress(entries, typed), expected);
}

void TestBrowserRules::caption_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("afterLoad"); // "=" leaves the caption as it is
    QTest::addColumn<QString>("whenIdle");

    const QString bare = "Anonymous Surfing (Google Exploit)";
    QTest::newRow("other page") << "News" << bare + " - News" << bare + " - News";
    QTest::newRow("start page") << "Translated: http://ip.example/quorvel.php x"
                                << "=" << bare;
    QTest::newRow("start page in other case")
        << "HTTP://IP.EXAMPLE/QUORVEL.PHP" << bare + " - HTTP://IP.EXAMPLE/QUORVEL.PHP"
        << bare + " - HTTP://IP.EXAMPLE/QUORVEL.PHP";
    QTest::newRow("no title") << "" << bare + " - " << bare + " - ";
}

void TestBrowserRules::caption()
{
    QFETCH(QString, title);
    QFETCH(QString, afterLoad);
    QFETCH(QString, whenIdle);
    const QString start = "http://ip.example/quorvel.php";
    QCOMPARE(captionAfterLoad(title, start).value_or("="), afterLoad);
    QCOMPARE(captionWhenIdle(title, start), whenIdle);
    QCOMPARE(busyCaption(), "Anonymous Surfing (Google Exploit) - Open page, please wait...");
}

void TestBrowserRules::layout_data()
{
    QTest::addColumn<QSize>("inner");
    QTest::addColumn<int>("boxWidth"); // -1: left as it was
    QTest::addColumn<int>("pageWidth");
    QTest::addColumn<int>("pageHeight");

    // Label 77, gap 10, panel ending at 67, 7 below the page.
    QTest::newRow("designed size") << QSize(503, 393) << 416 << 503 << 319;
    QTest::newRow("narrower than label and gap") << QSize(86, 393) << -1 << 86 << 319;
    QTest::newRow("box shrunk to nothing") << QSize(87, 393) << 0 << 87 << 319;
    QTest::newRow("shorter than the panel") << QSize(503, 73) << 416 << 503 << -1;
    QTest::newRow("page shrunk to nothing") << QSize(503, 74) << 416 << 503 << 0;
    QTest::newRow("nothing at all") << QSize(0, 0) << -1 << 0 << -1;
}

void TestBrowserRules::layout()
{
    QFETCH(QSize, inner);
    QFETCH(int, boxWidth);
    QFETCH(int, pageWidth);
    QFETCH(int, pageHeight);
    const BrowserLayout l = arrangeBrowser(inner, 77, 10, 67, 7);
    QCOMPARE(l.addressBoxWidth.value_or(-1), boxWidth);
    QCOMPARE(l.pageWidth.value_or(-1), pageWidth);
    QCOMPARE(l.pageHeight.value_or(-1), pageHeight);
    // Twips at 96 dots per inch, rounded: 150 -> 10, 100 -> 6.67 -> 7.
    QCOMPARE(twipsToPixels(150, 96), 10);
    QCOMPARE(twipsToPixels(100, 96), 7);
    QCOMPARE(twipsToPixels(7545, 120), 629);
}

QTEST_APPLESS_MAIN(TestBrowserRules)
#include "TestBrowserRules.moc"
