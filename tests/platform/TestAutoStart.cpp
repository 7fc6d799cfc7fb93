#include "AutoStart.h"
#include "TestEnvironment.h"

#include <QtTest>

class TestAutoStart : public QObject
{
    Q_OBJECT
private slots:
    void entry_data()
    {
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("off") << false << "/opt/q/quorvel"
                             << "Exec=/opt/q/quorvel";
        // Quoted, the quoting escapes doubled for the string value, "%" doubled.
        QTest::newRow("blank, percent") << true << "/home/a b/q%u"
                                        << "Exec=\"/home/a b/q%%u\"";
        QTest::newRow("quote, dollar, backslash") << true << "/x/\"$\\q"
                                                  << "Exec=\"/x/\\\\\"\\\\$\\\\\\\\q\"";
    }

    void entry()
    {
        QFETCH(bool, enable);
        QFETCH(QString, program);
        TestEnvironment env;
        QCOMPARE(platform::startAtLogonLocation(), env.configHome() + "/autostart/Quorvel.desktop");
        // Written over an entry in the other state.
        platform::setStartAtLogon(!enable, program);
        platform::setStartAtLogon(enable, program);
        QFile file(platform::startAtLogonLocation());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(0, 2), (QStringList{"[Desktop Entry]", "Type=Application"}));
        QTEST(lines.filter("Exec=").join('|'), "exec");
        QCOMPARE(lines.filter("Hidden=").join('|'), enable ? "Hidden=false" : "Hidden=true");
    }
};

QTEST_GUILESS_MAIN(TestAutoStart)
#include "TestAutoStart.moc"
