#include "IcmpEcho.h"

#include <QHostAddress>
#include <QtTest>

using platform::EchoReply;
using platform::IcmpEcho;

// Real echoes to 127.0.0.1 and nowhere else.
class TestIcmpEcho : public QObject
{
    Q_OBJECT
private slots:
    void eachHandleGetsOnlyItsOwnAnswers();
};

void TestIcmpEcho::eachHandleGetsOnlyItsOwnAnswers()
{
    // Two handles at once: on raw sockets each one sees the other's
    // replies too, and must leave them alone.
    IcmpEcho first, second;
    QVERIFY2(first.isOpen() && second.isOpen(),
             qPrintable("cannot send ICMP echo (run as root, or with CAP_NET_RAW, or with "
                        "net.ipv4.ping_group_range open): " +
                        first.openError()));
    const quint32 loopback = QHostAddress(QHostAddress::LocalHost).toIPv4Address();
    QHash<IcmpEcho *, QHash<int, QByteArray>> sent;
    QHash<IcmpEcho *, QHash<int, EchoReply>> got;
    for (IcmpEcho *echo : {&first, &second})
        connect(echo, &IcmpEcho::finished, this, [&got, echo](int id, const EchoReply &r) {
            QVERIFY2(!got[echo].contains(id), "two answers for one request");
            got[echo].insert(id, r);
        });
    for (int i = 0; i < 6; ++i) {
        for (IcmpEcho *echo : {&first, &second}) {
            // Odd and even lengths, and one far beyond a small buffer.
            QByteArray data = (echo == &first ? "first-" : "second#") + QByteArray::number(i);
            if (i == 5)
                data = data.repeated(300);
            sent[echo].insert(echo->send({loopback, data, i % 2 ? 1 : 0, 2000}), data);
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(got[&first].size() == 6 && got[&second].size() == 6, 3000);
    for (IcmpEcho *echo : {&first, &second}) {
        for (auto it = sent[echo].cbegin(); it != sent[echo].cend(); ++it) {
            const EchoReply r = got[echo].value(it.key());
            QVERIFY(r.answered);
            QCOMPARE(r.status, platform::ipstatus::Success);
            QCOMPARE(r.address, loopback);
            QCOMPARE(r.data, it.value());
            QVERIFY(r.roundTripMs < 2000);
        }
    }
}

QTEST_GUILESS_MAIN(TestIcmpEcho)
#include "TestIcmpEcho.moc"
