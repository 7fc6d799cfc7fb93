#include "IcmpEchoReply.h"

#include <QtEndian>
#include <QtTest>

using namespace platform;

namespace {

// Where the fake reply buffer is taken to lie.
constexpr quint64 kBase = 0x7FF600010000;

// A reply record as the service writes it, then what follows it.
QByteArray record(const char *address, quint32 status, quint32 rtt, quint16 dataSize,
                  quint64 dataPointer, const QByteArray &after = {})
{
    QByteArray r(icmpreply::kRecordSize, '\0');
    r.replace(0, 4, QByteArray(address, 4));
    qToLittleEndian(status, r.data() + 4);
    qToLittleEndian(rtt, r.data() + 8);
    qToLittleEndian(dataSize, r.data() + icmpreply::kDataSizeOffset);
    qToLittleEndian(dataPointer, r.data() + icmpreply::kDataPointerOffset);
    return r + after;
}

} // namespace

class TestIcmpEchoReply : public QObject
{
    Q_OBJECT
private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<quint32>("replies");
        QTest::addColumn<quint32>("error");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<int>("status");
        QTest::addColumn<quint32>("address");
        QTest::addColumn<QByteArray>("data");
        const char *loopback = "\x7F\x00\x00\x01";
        const quint64 dataAt = kBase + icmpreply::kRecordSize;
        const QByteArray tail = QByteArray("hello").leftJustified(24, '\0');

        QTest::newRow("echo reply") << record(loopback, 0, 3, 5, dataAt, tail) << 1u << 997u << true
                                    << 0 << 0x7F000001u << QByteArray("hello");
        QTest::newRow("router's answer, no data")
            << record("\xC0\x00\x02\x01", 11013, 9, 5, dataAt, tail) << 1u << 0u << true << 11013
            << 0xC0000201u << QByteArray();
        QTest::newRow("timed out in the record") << record(loopback, 11010, 0, 0, 0) << 1u << 0u
                                                 << false << 11010 << 0x7F000001u << QByteArray();
        QTest::newRow("no reply: IP status")
            << QByteArray(64, '\0') << 0u << 11010u << false << 11010 << 0u << QByteArray();
        QTest::newRow("no reply: system error")
            << QByteArray(64, '\0') << 0u << 8u << false << 11006 << 0u << QByteArray();
        QTest::newRow("record cut short") << record(loopback, 0, 3, 5, dataAt).left(20) << 1u << 0u
                                          << false << 11050 << 0u << QByteArray();
        QTest::newRow("status out of range") << record(loopback, 0xFFFFFFFF, 3, 0, 0) << 1u << 0u
                                             << false << 11050 << 0u << QByteArray();
        QTest::newRow("data before the buffer") << record(loopback, 0, 3, 5, kBase - 8, tail) << 1u
                                                << 0u << true << 0 << 0x7F000001u << QByteArray();
        QTest::newRow("data past the end") << record(loopback, 0, 3, 25, dataAt, tail) << 1u << 0u
                                           << true << 0 << 0x7F000001u << QByteArray();
        QTest::newRow("data up to the end") << record(loopback, 0, 3, 24, dataAt, tail) << 1u << 0u
                                            << true << 0 << 0x7F000001u << tail;
        QTest::newRow("pointer near the top wraps")
            << record(loopback, 0, 3, 0x40, ~quint64(0) - 0x10, tail) << 1u << 0u << true << 0
            << 0x7F000001u << QByteArray();
    }
    void decode()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(quint32, replies);
        QFETCH(quint32, error);
        const EchoReply reply = icmpreply::decode(buffer, quintptr(kBase), replies, error);
        QTEST(reply.answered, "answered");
        QTEST(reply.status, "status");
        QTEST(reply.address, "address");
        QTEST(reply.data, "data");
    }

    void statusOfError_data()
    {
        QTest::addColumn<quint32>("error");
        QTest::addColumn<int>("status");
        QTest::newRow("IP status kept") << 11010u << 11010;
        QTest::newRow("last IP status") << 11255u << 11255;
        QTest::newRow("the base is none") << 11000u << 11050;
        QTest::newRow("beyond the range") << 11256u << 11050;
        QTest::newRow("no memory") << 8u << 11006;
        QTest::newRow("buffer too small") << 122u << 11001;
        QTest::newRow("time-out") << 1460u << 11010;
        QTest::newRow("network unreachable") << 1231u << 11002;
        QTest::newRow("host unreachable") << 1232u << 11003;
        QTest::newRow("access denied") << 5u << 11050;
    }
    void statusOfError()
    {
        QFETCH(quint32, error);
        QTEST(icmpreply::statusOfError(error), "status");
    }
};

QTEST_APPLESS_MAIN(TestIcmpEchoReply)
#include "TestIcmpEchoReply.moc"
