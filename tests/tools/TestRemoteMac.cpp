#include "RemoteMac.h"

#include <QtEndian>
#include <QtTest>

Q_DECLARE_METATYPE(platform::ArpReply)

class TestRemoteMac : public QObject
{
    Q_OBJECT
private slots:
    void result_data();
    void result();
};

void TestRemoteMac::result_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<platform::ArpReply>("reply");
    QTest::addColumn<qint64>("asked"); // host order; -1: nothing asked
    QTest::addColumn<QString>("text");

    const auto answer = [](const char *hex) {
        return platform::ArpReply{true, QByteArray::fromHex(hex)};
    };
    const platform::ArpReply none;
    const QString failed = QStringLiteral("(SendARP call failed)");
    const QString mac = QStringLiteral("00-1A-2B-3C-4D-5E");
    const qint64 asked = 0xC0000201; // 192.0.2.1
    QTest::newRow("answer") << "192.0.2.1" << answer("001a2b3c4d5e") << asked << mac;
    QTest::newRow("short form") << "10.258" << answer("001a2b3c4d5e") << qint64(0x0A000102) << mac;
    QTest::newRow("0.0.0.0 asks nothing")
        << "0.0.0.0" << answer("001a2b3c4d5e") << qint64(-1) << failed;
    // A non-address turns into the all-ones address, which is asked.
    QTest::newRow("not an address") << "router.example" << none << qint64(0xFFFFFFFF) << failed;
    QTest::newRow("no answer") << "192.0.2.1" << none << asked << failed;
    QTest::newRow("first four bytes zero")
        << "192.0.2.1" << answer("00000000aa01") << asked << failed;
    QTest::newRow("only the fourth byte set")
        << "192.0.2.1" << answer("000000010000") << asked << "00-00-00-01-00-00";
    QTest::newRow("ok but empty") << "192.0.2.1" << answer("") << asked << failed;
    // Another link layer's address length: it counts, the text is empty.
    QTest::newRow("eight bytes") << "192.0.2.1" << answer("0102030405060708") << asked << "";
}

void TestRemoteMac::result()
{
    QFETCH(QString, address);
    QFETCH(platform::ArpReply, reply);
    QFETCH(qint64, asked);
    QFETCH(QString, text);
    QList<quint32> targets;
    const auto arp = [&](quint32 target) {
        targets << target;
        return reply;
    };
    QCOMPARE(tools::remoteMacResult(address, arp), text);
    const QList<quint32> expected =
        asked < 0 ? QList<quint32>{} : QList<quint32>{qToBigEndian(quint32(asked))};
    QCOMPARE(targets, expected);
}

QTEST_APPLESS_MAIN(TestRemoteMac)
#include "TestRemoteMac.moc"
