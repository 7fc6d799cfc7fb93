#include "ConnectionTexts.h"

#include <QtTest>

class TestConnectionTexts : public QObject
{
    Q_OBJECT
private slots:
    void sentence_data();
    void sentence();
    void fields();
};

void TestConnectionTexts::sentence_data()
{
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("text");

    const QString lan = QStringLiteral("The local system connects to the Internet via a LAN");
    const QString modem =
        QStringLiteral("The local system uses a modem to connect to the Internet. ");
    const QString ras = QStringLiteral("Remote Access Services are installed on this system.");
    const QString configured = QStringLiteral("You have a network connection configured.\r\n");
    QTest::newRow("LAN and proxy") << true << 0x06 << lan + ", and uses a proxy server. ";
    QTest::newRow("LAN and RAS") << true << 0x12 << lan + "." + ras;
    QTest::newRow("configured modem") << true << 0x41 << configured + modem;
    QTest::newRow("modem and proxy: no proxy clause") << true << 0x05 << modem;
    QTest::newRow("online, no flags") << true << 0x00 << "";
    QTest::newRow("offline whatever the flags")
        << false << 0x7f << "Not connected to the internet now.";
    QTest::newRow("offline and busy flags")
        << true << 0x28
        << "The connection is currently offline. The local system's modem is busy with a "
           "non-Internet connection. ";
    QTest::newRow("every flag, in order")
        << true << 0x7f
        << configured + lan + ", and uses a proxy server. " + modem +
               "The connection is currently offline. The local system's modem is busy with a "
               "non-Internet connection. " +
               ras;
}

void TestConnectionTexts::sentence()
{
    QFETCH(bool, online);
    QFETCH(int, flags);
    QFETCH(QString, text);
    QCOMPARE(tools::connectionSentence({online, quint32(flags)}), text);
}

void TestConnectionTexts::fields()
{
    // Each field asks the system itself and reads its own bit.
    int queries = 0;
    const auto report = [&queries](bool online, quint32 flags) {
        const auto texts = tools::connectionReport([&] {
            ++queries;
            return platform::ConnectionState{online, flags};
        });
        return QStringList(texts.cbegin(), texts.cend());
    };
    QCOMPARE(report(true, 0x42).mid(0, 5),
             (QStringList{"True", "False", "False", "True", "False"}));
    // Without a connection the bits still show.
    QCOMPARE(report(false, 0x35), (QStringList{"False", "True", "True", "False", "True",
                                               "Not connected to the internet now."}));
    QCOMPARE(queries, 12);
}

QTEST_APPLESS_MAIN(TestConnectionTexts)
#include "TestConnectionTexts.moc"
