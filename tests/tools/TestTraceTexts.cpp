#include "TraceTexts.h"

#include <QtTest>

using namespace tools;

class TestTraceTexts : public QObject
{
    Q_OBJECT
private slots:
    void charsPerPacket_data();
    void charsPerPacket();
    void hopTime_data();
    void hopTime();
    void lines_data();
    void lines();
};

void TestTraceTexts::charsPerPacket_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("count");
    QTest::newRow("not a number") << "abc"
                                  << "32" << 32;
    QTest::newRow("empty") << ""
                           << "32" << 32;
    QTest::newRow("infinity is no number") << "inf"
                                           << "32" << 32;
    QTest::newRow("below") << "20"
                           << "32" << 32;
    QTest::newRow("negative") << "-64"
                              << "32" << 32;
    QTest::newRow("just below") << "31.9"
                                << "32" << 32;
    QTest::newRow("above") << "500"
                           << "128" << 128;
    QTest::newRow("just above rounds down to the bound") << "128.4"
                                                         << "128" << 128;
    QTest::newRow("in range") << "64"
                              << "64" << 64;
    QTest::newRow("bounds") << "32"
                            << "32" << 32;
    QTest::newRow("upper bound") << "128"
                                 << "128" << 128;
    QTest::newRow("half to even, down") << "64.5"
                                        << "64.5" << 64;
    QTest::newRow("half to even, up") << "65.5"
                                      << "65.5" << 66;
    QTest::newRow("blanks stay as typed") << " 40 "
                                          << " 40 " << 40;
    QTest::newRow("exponent") << "1e2"
                              << "1e2" << 100;
}

void TestTraceTexts::charsPerPacket()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, count);
    const CharsPerPacket c = clampCharsPerPacket(typed);
    QCOMPARE(c.shown, shown);
    QCOMPARE(c.count, count);
}

void TestTraceTexts::hopTime_data()
{
    QTest::addColumn<quint32>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0u << "<10 ms";
    QTest::newRow("9") << 9u << "<10 ms";
    QTest::newRow("10") << 10u << "10 ms";
    QTest::newRow("1200") << 1200u << "1200 ms";
    QTest::newRow("1201") << 1201u << "*";
}

void TestTraceTexts::hopTime()
{
    QFETCH(quint32, ms);
    QFETCH(QString, text);
    QCOMPARE(hopTimeText(ms), text);
}

void TestTraceTexts::lines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("without names")
        << hopLine(3, 25, "198.51.100.2", std::nullopt) << "Hop #\t3\t25 ms\t198.51.100.2\r\n";
    QTest::newRow("with a name") << hopLine(12, 4, "192.0.2.1", QString("gw.example.com"))
                                 << "Hop #\t12\t<10 ms\t192.0.2.1\tgw.example.com\r\n";
    QTest::newRow("an empty name still gets its tab")
        << hopLine(1, 1300, "192.0.2.1", QString()) << "Hop #\t1\t*\t192.0.2.1\t\r\n";
    QTest::newRow("silent hop") << silentHopLine(7) << "Hop #\t7\t*\tRequest timed out.\r\n";
    QTest::newRow("header") << traceHeader("www.example.com")
                            << "Tracing Route to www.example.com:\r\n\r\n";
    QTest::newRow("complete") << traceCompleteText() << "\r\nTrace Route Complete";
    QTest::newRow("stopped by a router")
        << traceStoppedText(11003, "198.51.100.2")
        << "\r\nTrace Route Stopped: 11003   [ ip dest host unreachable ] from 198.51.100.2";
    QTest::newRow("stopped before sending") << traceStoppedText(11002, QString())
                                            << "\r\nTrace Route Stopped: 11002   [ ip dest net "
                                               "unreachable ]";
}

void TestTraceTexts::lines()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(line, expected);
}

QTEST_APPLESS_MAIN(TestTraceTexts)
#include "TestTraceTexts.moc"
