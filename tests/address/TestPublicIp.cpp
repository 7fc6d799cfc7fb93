#include "AddressServices.h"
#include "PublicIp.h"

#include <QtTest>

using namespace address;

class TestPublicIp : public QObject
{
    Q_OBJECT
private slots:
    void cut_data();
    void cut();
    void url_data();
    void url();
    void serviceLists();
};

void TestPublicIp::cut_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bold tag") << QByteArray("<html>Your IP address is: <b>203.0.113.7</b></html>")
                              << "203.0.113.7";
    QTest::newRow("IPv6") << QByteArray("Your IP address is: <b>2001:db8::1</b>") << "2001:db8::1";
    QTest::newRow("blanks kept") << QByteArray("Your IP address is:<b> 1.2.3.4 </b>")
                                 << " 1.2.3.4 ";
    QTest::newRow("line breaks kept")
        << QByteArray("Your IP address is:<b>\r\n1.2.3.4\n</b>") << "\r\n1.2.3.4\n";
    // The "<" right after the ">" is never the end: the cut runs on to the
    // next "<" and takes the opening tag's text with it.
    QTest::newRow("empty tag pair skipped")
        << QByteArray("Your IP address is:</p><b>9.9.9.9</b>") << "<b>9.9.9.9";
    QTest::newRow("single char then tag") << QByteArray("Your IP address is:<b>x<") << "x";
    QTest::newRow("first marker wins")
        << QByteArray("Your IP address is:<i>1.1.1.1</i> Your IP address is:<i>2.2.2.2</i>")
        << "1.1.1.1";
    QTest::newRow("text before the tag ignored")
        << QByteArray("Your IP address is: see here -> <b>5.6.7.8</b>") << " ";
    QTest::newRow("marker is case-sensitive")
        << QByteArray("your ip address is: <b>1.2.3.4</b>") << kUnableToParseIP;
    QTest::newRow("no marker") << QByteArray("<html>Hello</html>") << kUnableToParseIP;
    QTest::newRow("empty page") << QByteArray() << kUnableToParseIP;
    QTest::newRow("marker at end") << QByteArray("Your IP address is:") << kUnableToParseIP;
    QTest::newRow("no > after marker")
        << QByteArray("<b>1.2.3.4</b> Your IP address is: 1.2.3.4") << kUnableToParseIP;
    QTest::newRow("no < after >") << QByteArray("Your IP address is:<b>1.2.3.4")
                                  << kUnableToParseIP;
    QTest::newRow("> is last char") << QByteArray("Your IP address is:<b>") << kUnableToParseIP;
    QTest::newRow("only < right after >")
        << QByteArray("Your IP address is:<b><") << kUnableToParseIP;
    QTest::newRow("8-bit bytes one char each")
        << QByteArray("Your IP address is:<b>\xe9\xff</b>") << QString::fromLatin1("\xe9\xff");
    QTest::newRow("NUL inside kept")
        << QByteArray("Your IP address is:<b>a\0b</b>", 30) << QString::fromLatin1("a\0b", 3);
}

void TestPublicIp::cut()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, expected);
    QCOMPARE(cutPublicIp(page), expected);
}

void TestPublicIp::url_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("expected"); // empty: invalid

    QTest::newRow("name") << "ip.example.org"
                          << "http://ip.example.org/quorvel.php";
    QTest::newRow("name and port") << "127.0.0.1:8080"
                                   << "http://127.0.0.1:8080/quorvel.php";
    QTest::newRow("IPv6 and port") << "[::1]:8080"
                                   << "http://[::1]:8080/quorvel.php";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("with a path") << "example.org/x"
                                 << "";
    QTest::newRow("with a query") << "example.org?x"
                                  << "";
    QTest::newRow("with user") << "u@example.org"
                               << "";
    QTest::newRow("blank inside") << "exa mple.org"
                                  << "";
}

void TestPublicIp::url()
{
    QFETCH(QString, host);
    QFETCH(QString, expected);
    const QUrl url = publicIpPageUrl(host);
    if (expected.isEmpty())
        QVERIFY2(!url.isValid(), qPrintable(url.toString()));
    else
        QCOMPARE(url.toString(), expected);
}

void TestPublicIp::serviceLists()
{
    QCOMPARE(chooseServices("", " ").services, builtInServices());
    QCOMPARE(chooseServices("", "ftp://a.example/, b.example, ,http://[::1]:8/ip").services,
             QList{QUrl("http://[::1]:8/ip")});
    // Whoever wrote a list did not want the built-in services asked.
    QCOMPARE(chooseServices("", "nonsense").services, QList<QUrl>());
    // What the browser opens on: the configured page, else the first service.
    QCOMPARE(serviceStartUrl(chooseServices("ip.example:8", "http://a.example/")),
             QUrl("http://ip.example:8/quorvel.php"));
    QCOMPARE(serviceStartUrl(chooseServices("", "http://a.example/ip, http://b.example/")),
             QUrl("http://a.example/ip"));
    QCOMPARE(serviceStartUrl(chooseServices("", "")), builtInServices().first());
}

QTEST_APPLESS_MAIN(TestPublicIp)
#include "TestPublicIp.moc"
