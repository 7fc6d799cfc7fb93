// What the Windows services hand back, and where the program keeps its
// values in the registry, decoded without the services: runs everywhere.
#include "ConsoleEvents.h"
#include "IcmpEchoReply.h"
#include "NetBiosBuffers.h"
#include "RegistryLayout.h"

#include <QtEndian>
#include <QtTest>

using namespace platform;
using namespace platform::registry;
using namespace platform::netbios;

namespace {

// Where the fake reply buffer is taken to lie.
constexpr quint64 kBase = 0x7FF600010000;
constexpr quint64 kDataAt = kBase + icmpreply::kRecordSize;
const QByteArray kTail = QByteArray("hello").leftJustified(24, '\0');

// A reply record as the service writes it, then the data behind it.
QByteArray record(const char *address, quint32 status, quint16 dataSize, quint64 dataPointer)
{
    QByteArray r(icmpreply::kRecordSize, '\0');
    r.replace(0, 4, QByteArray(address, 4));
    qToLittleEndian(status, r.data() + 4);
    qToLittleEndian(quint32(3), r.data() + 8); // round trip
    qToLittleEndian(dataSize, r.data() + icmpreply::kDataSizeOffset);
    qToLittleEndian(dataPointer, r.data() + icmpreply::kDataPointerOffset);
    return r + kTail;
}

} // namespace

class TestWindowsDecoding : public QObject
{
    Q_OBJECT
private slots:
    void runEntry_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QString>("entry"); // value name = data
        QTest::newRow("on") << "C:\\Tools\\Quorvel.exe" << true << "Quorvel = C:\\Tools\\Quorvel";
        QTest::newRow("off: same value, no data")
            << "C:\\Tools\\Quorvel.exe" << false << "Quorvel = ";
        QTest::newRow("drive root") << "C:\\Quorvel.exe" << true << "Quorvel = C:\\Quorvel";
        QTest::newRow("Qt's slashes, blanks unquoted")
            << "C:/Program Files/Q/q.exe" << true << "q = C:\\Program Files\\Q\\q";
    }
    void runEntry()
    {
        QFETCH(QString, program);
        QFETCH(bool, enable);
        const RunEntry entry = platform::registry::runEntry(program, enable);
        QTEST(entry.valueName + " = " + entry.data, "entry");
    }

    void fileTypeKeys()
    {
        QCOMPARE(
            (QStringList{fileTypeKey("photo.JPG"), fileTypeKey("a.tar.gz"), fileTypeKey("README")}),
            (QStringList{".JPG", ".gz", ""}));
    }

    void valueText_data()
    {
        QTest::addColumn<long>("status");
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<quint32>("size");
        QTest::addColumn<QByteArray>("text"); // "-": not found
        const QByteArray full = QByteArray("smtp.example").leftJustified(kValueBufferSize, '\0');
        QTest::newRow("text without its NUL") << 0L << full << 13u << QByteArray("smtp.example");
        QTest::newRow("empty string is absent") << 0L << full << 1u << QByteArray("-");
        QTest::newRow("query failed (too long)") << 234L << full << 300u << QByteArray("-");
        QTest::newRow("size beyond the buffer") << 0L << full.left(8) << 13u << QByteArray("-");
        const QByteArray x(kValueBufferSize, 'x');
        QTest::newRow("filling the buffer") << 0L << x << quint32(x.size()) << x.chopped(1);
    }
    void valueText()
    {
        QFETCH(long, status);
        QFETCH(QByteArray, buffer);
        QFETCH(quint32, size);
        QTEST(platform::registry::valueText(status, buffer, size).value_or("-"), "text");
    }

    void adapterNumbers_data()
    {
        QTest::addColumn<QByteArray>("enumeration");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("two, in the system's order")
            << QByteArray("\x02\x03\x00", 3).leftJustified(kEnumerationSize, '\0')
            << QList<int>{3, 0};
        QTest::newRow("empty buffer") << QByteArray() << QList<int>{};
        QTest::newRow("count beyond the bytes")
            << QByteArray("\x05\x07\xFE", 3) << QList<int>{7, 254};
        QTest::newRow("255, read as unsigned")
            << "\xFF" + QByteArray(255, '\x01') << QList<int>(255, 1);
    }
    void adapterNumbers()
    {
        QFETCH(QByteArray, enumeration);
        QTEST(platform::netbios::adapterNumbers(enumeration), "numbers");
    }

    void hardwareAddress_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("address"); // "-": none
        const QByteArray mac("\x00\x1A\x2B\x3C\x4D\x5E", 6);
        QTest::newRow("full status") << (mac + QByteArray(kAdapterStatusSize - 6, '\x77')) << mac;
        QTest::newRow("cut short") << mac.left(5) << QByteArray("-");
    }
    void hardwareAddress()
    {
        QFETCH(QByteArray, status);
        QTEST(platform::netbios::hardwareAddress(status).value_or("-"), "address");
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<quint32>("replies");
        QTest::addColumn<quint32>("error");
        QTest::addColumn<QString>("reply"); // answered, status, address, data
        const char *lo = "\x7F\x00\x00\x01";
        QTest::newRow("echo reply")
            << record(lo, 0, 5, kDataAt) << 1u << 997u << "1 0 7f000001 hello";
        QTest::newRow("router's answer: no data")
            << record("\xC0\x00\x02\x01", 11013, 5, kDataAt) << 1u << 0u << "1 11013 c0000201 ";
        QTest::newRow("no reply: the service's status")
            << QByteArray(64, '\0') << 0u << 11010u << "0 11010 0 ";
        QTest::newRow("no reply: a system error")
            << QByteArray(64, '\0') << 0u << 8u << "0 11006 0 ";
        QTest::newRow("record cut short")
            << record(lo, 0, 5, kDataAt).left(20) << 1u << 0u << "0 11050 0 ";
        QTest::newRow("data before the buffer")
            << record(lo, 0, 5, kBase - 8) << 1u << 0u << "1 0 7f000001 ";
        QTest::newRow("data past the end")
            << record(lo, 0, 25, kDataAt) << 1u << 0u << "1 0 7f000001 ";
        QTest::newRow("data up to the end")
            << record(lo, 0, 24, kDataAt) << 1u << 0u
            << QString("1 0 7f000001 ") + QString::fromLatin1(kTail);
        QTest::newRow("pointer wraps")
            << record(lo, 0, 0x40, ~quint64(0) - 0x10) << 1u << 0u << "1 0 7f000001 ";
    }
    void decode()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(quint32, replies);
        QFETCH(quint32, error);
        const EchoReply r = icmpreply::decode(buffer, quintptr(kBase), replies, error);
        QTEST(QStringLiteral("%1 %2 %3 ").arg(r.answered).arg(r.status).arg(r.address, 0, 16) +
                  QString::fromLatin1(r.data),
              "reply");
    }

    void consoleEvents()
    {
        using A = ConsoleEventAction;
        std::vector<A> actions; // Ctrl+C, closed, another's log-off, shutdown, unknown
        for (const quint32 event : {0u, 2u, 5u, 6u, 0xFFFFFFFFu})
            actions.push_back(consoleEventAction(event));
        QCOMPARE(actions, (std::vector{A::EndInOrder, A::EndInOrderBeforeReturning, A::PassOn,
                                       A::EndInOrderBeforeReturning, A::PassOn}));
    }
};

QTEST_APPLESS_MAIN(TestWindowsDecoding)
#include "TestWindowsDecoding.moc"
