#include "IpdTestPeers.h"
#include "PublicIpFetcher.h"

#include <QSignalSpy>
#include <QtTest>

// The program's own GetPublicIP against each form of the service we ship:
// quorvel-ipd, nginx with deploy/nginx-quorvel.conf, and PHP's built-in
// server with deploy/quorvel.php. Each is started here, on loopback.
class TestIpServiceForms : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void getPublicIP_data();
    void getPublicIP();
    void pageHeaders_data();
    void pageHeaders();
    void onlyGetAndHead_data();
    void onlyGetAndHead();

private:
    void addRows();
    // Fails the current test, naming what is missing, when the form did not start.
    bool endpoint(const QString &form, const QString &host, quint16 *port);

    IpdProcess m_ipd;
    NginxForm m_nginx;
    PhpForm m_php4;
    PhpForm m_php6;
    QMap<QString, QString> m_errors; // form -> why it is not running
};

void TestIpServiceForms::initTestCase()
{
    // Every form is tried; one missing peer fails its own rows, not the others.
    if (!m_ipd.start({"--listen", "127.0.0.1:0", "--listen", "[::1]:0", "--threads", "1"}))
        m_errors.insert("quorvel-ipd", m_ipd.errorString());
    if (!m_nginx.start())
        m_errors.insert("nginx", m_nginx.errorString());
    if (!m_php4.start("127.0.0.1"))
        m_errors.insert("php 127.0.0.1", m_php4.errorString());
    if (!m_php6.start("::1"))
        m_errors.insert("php ::1", m_php6.errorString());
}

bool TestIpServiceForms::endpoint(const QString &form, const QString &host, quint16 *port)
{
    const QString key = form == "php" ? form + u' ' + host : form;
    if (m_errors.contains(key)) {
        QTest::qFail(qPrintable(key + QStringLiteral(" could not be started: ") + m_errors[key]),
                     __FILE__, __LINE__);
        return false;
    }
    if (form == "quorvel-ipd")
        *port = m_ipd.port(host == "::1" ? 1 : 0);
    else if (form == "nginx")
        *port = m_nginx.port();
    else
        *port = host == "::1" ? m_php6.port() : m_php4.port();
    return true;
}

void TestIpServiceForms::addRows()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("host");
    for (const char *form : {"quorvel-ipd", "nginx", "php"}) {
        for (const char *host : {"127.0.0.1", "::1"})
            QTest::addRow("%s %s", form, host)
                << QString::fromLatin1(form) << QString::fromLatin1(host);
    }
}

void TestIpServiceForms::getPublicIP_data()
{
    addRows();
}

void TestIpServiceForms::getPublicIP()
{
    QFETCH(QString, form);
    QFETCH(QString, host);
    quint16 port = 0;
    if (!endpoint(form, host, &port))
        return;

    // Exactly what the program does with "IP Service Host" = host:port.
    address::PublicIpFetcher fetcher;
    QSignalSpy spy(&fetcher, &address::PublicIpFetcher::finished);
    fetcher.GetPublicIP(loopbackHostPort(host, port));
    QVERIFY2(spy.wait(10000), "no answer within 10 s");
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), host);
}

void TestIpServiceForms::pageHeaders_data()
{
    addRows();
}

void TestIpServiceForms::pageHeaders()
{
    QFETCH(QString, form);
    QFETCH(QString, host);
    quint16 port = 0;
    if (!endpoint(form, host, &port))
        return;

    const HttpReply get = fetchOnce(host, port, pageRequest("GET"));
    QCOMPARE(get.status, 200);
    QVERIFY2(get.headers.value("content-type").startsWith("text/html"), get.raw.constData());
    // Nobody between us and the client may keep the answer for someone else.
    QVERIFY2(get.headers.value("cache-control").contains("no-store"), get.raw.constData());
    QVERIFY(get.body.contains("Your IP address is: <b>" + host.toLatin1() + "</b>"));

    RawClient c(host, port);
    QVERIFY(c.send(pageRequest("HEAD")));
    const HttpReply head = c.readReply(3000, true);
    QCOMPARE(head.status, 200);
    QVERIFY(head.headers.value("cache-control").contains("no-store"));
    QCOMPARE(head.headers.value("content-length"), get.headers.value("content-length"));
    // A HEAD answer that carried a body would be read as the start of the
    // next answer; nothing may follow the header.
    QCOMPARE(c.readRest(300), QByteArray());
}

void TestIpServiceForms::onlyGetAndHead_data()
{
    addRows();
}

void TestIpServiceForms::onlyGetAndHead()
{
    QFETCH(QString, form);
    QFETCH(QString, host);
    quint16 port = 0;
    if (!endpoint(form, host, &port))
        return;

    for (const QByteArray method : {"POST", "PUT", "DELETE"}) {
        const HttpReply r = fetchOnce(host, port, pageRequest(method, "Content-Length: 0\r\n"));
        QVERIFY2(r.status == 405, qPrintable(method + ": " + r.raw));
        QVERIFY2(!r.body.contains("Your IP address is:"), r.raw.constData());
    }
}

QTEST_GUILESS_MAIN(TestIpServiceForms)
#include "TestIpServiceForms.moc"
