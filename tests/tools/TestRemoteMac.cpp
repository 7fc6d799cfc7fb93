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

    const platform::ArpReply mac{true, QByteArray::fromHex("001a2b3c4d5e")};
    const QString failed = QStringLiteral("(SendARP call failed)");
    QTest::newRow("answer") << "192.0.2.1" << mac << qint64(0xC0000201) << "00-1A-2B-3C-4D-5E";
    QTest::newRow("short form") << "10.258" << mac << qint64(0x0A000102) << "00-1A-2B-3C-4D-5E";
    QTest::newRow("0.0.0.0 asks nothing") << "0.0.0.0" << mac << qint64(-1) << failed;
    // The all-ones address that a non-address turns into is asked, and
    // fails there.
    QTest::newRow("not an address")
        << "router.example" << platform::ArpReply{} << qint64(0xFFFFFFFF) << failed;
    QTest::newRow("no answer") << "192.0.2.9" << platform::ArpReply{} << qint64(0xC0000209)
                               << failed;
    QTest::newRow("first four bytes zero")
        << "192.0.2.1" << platform::ArpReply{true, QByteArray::fromHex("00000000aa01")}
        << qint64(0xC0000201) << failed;
    QTest::newRow("zero in the fourth byte only")
        << "192.0.2.1" << platform::ArpReply{true, QByteArray::fromHex("000000010000")}
        << qint64(0xC0000201) << "00-00-00-01-00-00";
    QTest::newRow("ok but empty") << "192.0.2.1" << platform::ArpReply{true, {}}
                                  << qint64(0xC0000201) << failed;
    // Another link layer's address length: the answer counts, the text is
    // empty.
    QTest::newRow("eight bytes") << "192.0.2.1"
                                 << platform::ArpReply{true,
                                                       QByteArray::fromHex("0102030405060708")}
                                 << qint64(0xC0000201) << "";
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
