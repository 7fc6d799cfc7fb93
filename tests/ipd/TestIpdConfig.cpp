#include "IpdConfig.h"

#include <QtTest>

using namespace ipd;

// The command line of quorvel-ipd: what it accepts, what it refuses and why.
class TestIpdConfig : public QObject
{
    Q_OBJECT
private slots:
    void arguments_data();
    void arguments();
};

void TestIpdConfig::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    // "help"; "error: " and the start of the message; or what was understood.
    QTest::addColumn<QString>("outcome");

    const auto row = [](const QString &name, const QStringList &args, const QString &outcome) {
        QTest::newRow(qPrintable(name)) << args << outcome;
    };
    row("defaults", {"--listen", "127.0.0.1:8080"},
        "127.0.0.1:8080 threads=4 max=4096 timeout=10 trusted=0");
    row("every option",
        {"--listen=[::1]:80", "--listen", "[::]:65535", "--threads", "2", "--trust-proxy",
         "10.0.0.0/8", "--trust-proxy=::1", "--proxy-header", "X-Real-IP", "--max-connections",
         "100", "--request-timeout", "3", "--log-interval", "5"},
        "[::1]:80 [::]:65535 threads=2 max=100 timeout=3 trusted=2");
    row("threads capped by connections", {"--listen", "0.0.0.0:1", "--max-connections", "2"},
        "0.0.0.0:1 threads=2 max=2 timeout=10 trusted=0");
    row("two port-0 listens are two sockets",
        {"--listen", "127.0.0.1:0", "--listen", "127.0.0.1:0"},
        "127.0.0.1:0 127.0.0.1:0 threads=4 max=4096 timeout=10 trusted=0");
    row("help wins", {"--listen", "bogus", "--help"}, "help");
    row("short help", {"-h"}, "help");

    row("nothing", {}, "error: no --listen given");
    row("value missing", {"--listen"}, "error: --listen needs a value");
    row("unknown option", {"--listen", "127.0.0.1:1", "--port", "80"},
        "error: unknown option '--port'");
    row("bare word", {"127.0.0.1:80"}, "error: unknown option '127.0.0.1:80'");
    row("same listen twice", {"--listen", "127.0.0.1:80", "--listen=127.0.0.1:80"},
        "error: --listen 127.0.0.1:80 is given twice");
    row("more threads than connections",
        {"--listen", "127.0.0.1:1", "--threads", "4", "--max-connections", "2"},
        "error: --threads is larger than --max-connections");
    row("header without proxy", {"--listen", "127.0.0.1:1", "--proxy-header", "x-forwarded-for"},
        "error: --proxy-header only matters with --trust-proxy");
    row("proxy without its header", {"--listen", "127.0.0.1:1", "--trust-proxy", "10.0.0.1"},
        "error: --trust-proxy needs --proxy-header");

    // Values refused with the option and the value named. Listen addresses
    // are numeric (a name resolves somewhere nobody chose) and IPv6 ones
    // need brackets, or the last group and the port cannot be told apart.
    const std::pair<const char *, const char *> badValues[] = {
        {"--listen", "127.0.0.1 127.0.0.1: :8080 127.0.0.1:65536 127.0.0.1:+80 127.0.0.1:80x "
                     "localhost:8080 1.2.3:80 ::1:8080 [::1] [::1]8080 [::1:8080 "
                     "[127.0.0.1]:80 [fe80::1%lo]:80 [::1]:80:80"},
        {"--trust-proxy", "lb1 10.0.0.0/33 ::/129 10.0.0.0/ 10.0.0.0/+8 [::1] 10.0.0.1:80 "
                          "fe80::1%eth0 ::ffff:10.0.0.0/64"},
        {"--proxy-header", "Forwarded"},
        {"--threads", "0 257"},
        {"--max-connections", "0"},
        {"--request-timeout", "0"},
        {"--log-interval", "1m"}};
    for (const auto &[option, values] : badValues) {
        for (const QString &value : QString(values).split(u' ')) {
            row(QStringLiteral("%1 %2").arg(option, value),
                {"--listen", "127.0.0.1:1", option, value},
                QStringLiteral("error: %1: '%2'").arg(option, value));
        }
    }
}

void TestIpdConfig::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, outcome);

    std::vector<std::string> argv;
    for (const QString &a : args)
        argv.push_back(a.toStdString());
    const ParseResult r = parseArguments(argv, 4);
    QString got = r.help ? "help" : "";
    if (!r.help && !r.error.empty())
        got = "error: " + QString::fromStdString(r.error);
    if (!r.help && r.error.empty()) {
        for (const ListenAddress &l : r.config.listen)
            got += QString::fromStdString(listenAddressText(l)) + u' ';
        got += QStringLiteral("threads=%1 max=%2 timeout=%3 trusted=%4")
                   .arg(r.config.threads)
                   .arg(r.config.maxConnections)
                   .arg(r.config.requestTimeout.count())
                   .arg(r.config.trustedProxies.size());
    }
    QVERIFY2(outcome.startsWith("error: ") ? got.startsWith(outcome) : got == outcome,
             qPrintable(got));
}

QTEST_APPLESS_MAIN(TestIpdConfig)
#include "TestIpdConfig.moc"
