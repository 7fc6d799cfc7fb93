#include "PingWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The window against a real echo on 127.0.0.1 (needs root, CAP_NET_RAW or
// an open ping group; CI runs as root).
class TestPingWindow : public QObject
{
    Q_OBJECT
private slots:
    void pingsAndShowsTheFields_data();
    void pingsAndShowsTheFields();

private:
    QLineEdit *edit(const char *name) { return m_window.findChild<QLineEdit *>(name); }
    tools::PingWindow m_window;
};

void TestPingWindow::pingsAndShowsTheFields_data()
{
    // Rows run in order on one window: what a row leaves in "Data
    // Returned:" is what the next may keep.
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QStringList>("fields"); // "ms" stands for any round trip
    QTest::newRow("echo") << "127.0.0.1"
                          << "Echo This, said Quorvel"
                          << QStringList{"0   [ ip success ]",      "16777343", "ms", "23 bytes",
                                         "Echo This, said Quorvel", "28"};
    QTest::newRow("empty payload keeps the echoed text")
        << "127.0.0.1"
        << "" << QStringList{"0   [ ip success ]",      "16777343", "ms", "0 bytes",
                             "Echo This, said Quorvel", "28"};
    QTest::newRow("short address form")
        << "127.1"
        << "x" << QStringList{"0   [ ip success ]", "16777343", "ms", "1 bytes", "x", "28"};
    QTest::newRow("bad address")
        << "255.255.255.255"
        << "y"
        << QStringList{"-1   [ inet_addr: bad IP format ]", "0", "0 ms", "0 bytes", "x", "0"};
    QTest::newRow("too big for the reply record")
        << "127.0.0.1" << QString(243, u'z')
        << QStringList{"11001   [ ip buf too_small ]", "0", "0 ms", "0 bytes", "x", "0"};
}

void TestPingWindow::pingsAndShowsTheFields()
{
    QFETCH(QString, address);
    QFETCH(QString, data);
    QFETCH(QStringList, fields);
    m_window.show();
    edit("addressEdit")->setText(address);
    edit("dataEdit")->setText(data);
    edit("statusEdit")->clear();
    auto *button = m_window.findChild<QPushButton *>("pingButton");
    button->click();
    QVERIFY(!button->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 2000);
    QVERIFY2(!m_window.findChild<QWidget *>("openErrorBox"), "ICMP echo could not be opened");
    QStringList got;
    for (const char *name : {"statusEdit", "addressDecimalEdit", "roundTripEdit", "dataSizeEdit",
                             "dataReturnedEdit", "dataPointerEdit"})
        got << edit(name)->text();
    QVERIFY2(QRegularExpression("^\\d+ ms$").match(got[2]).hasMatch(), qPrintable(got[2]));
    if (fields[2] == "ms")
        got[2] = "ms";
    QCOMPARE(got, fields);
}

QTEST_MAIN(TestPingWindow)
#include "TestPingWindow.moc"
