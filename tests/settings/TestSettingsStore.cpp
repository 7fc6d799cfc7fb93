#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QtTest>

using settings::SettingsStore;

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void textsRoundTripUnchanged_data();
    void textsRoundTripUnchanged();
    void absentKeyGivesDefault();
    void damagedValuesKeepField_data();
    void damagedValuesKeepField();
    void fileLocationAndSection();
    void serviceHostDefaults();
};

void TestSettingsStore::textsRoundTripUnchanged_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("blanks around") << " pw ";
    QTest::newRow("empty") << "";
    QTest::newRow("at sign first") << "@Invalid()";
    QTest::newRow("quotes and backslash") << "a\"b\\c";
    QTest::newRow("equals and semicolon") << "k=v; x";
    QTest::newRow("comma list look") << "a, b, c";
    QTest::newRow("non-latin") << QString::fromUtf8("p\u00e4ss\u20ac\u4e2d");
    QTest::newRow("line break") << "line1\nline2";
    QTest::newRow("true") << "true";
}

void TestSettingsStore::textsRoundTripUnchanged()
{
    QFETCH(QString, text);
    TestEnvironment env;
    {
        SettingsStore store;
        store.setValue(settings::keys::Password, text);
    }
    SettingsStore again;
    QCOMPARE(again.value(settings::keys::Password, QStringLiteral("dflt")), text);
}

void TestSettingsStore::absentKeyGivesDefault()
{
    TestEnvironment env;
    SettingsStore store;
    QCOMPARE(store.value(settings::keys::RefreshIPIntervalMin, QStringLiteral("1")),
             QStringLiteral("1"));
    qint16 field = 5;
    store.readNumber(field, settings::keys::RefreshIPIntervalMin);
    QCOMPARE(field, qint16(1));
}

void TestSettingsStore::damagedValuesKeepField_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("expected");

    QTest::newRow("valid") << QByteArray("Refresh%20IP%20Interval%20Min=15") << 15;
    QTest::newRow("blanks") << QByteArray("Refresh%20IP%20Interval%20Min=\" 20 \"") << 20;
    QTest::newRow("letters") << QByteArray("Refresh%20IP%20Interval%20Min=abc") << 42;
    QTest::newRow("too large") << QByteArray("Refresh%20IP%20Interval%20Min=70000") << 42;
    QTest::newRow("empty") << QByteArray("Refresh%20IP%20Interval%20Min=") << 42;
    QTest::newRow("a list") << QByteArray("Refresh%20IP%20Interval%20Min=1, 2") << 42;
    QTest::newRow("a variant") << QByteArray("Refresh%20IP%20Interval%20Min=@Rect(1 2 3 4)") << 42;
}

void TestSettingsStore::damagedValuesKeepField()
{
    QFETCH(QByteArray, line);
    QFETCH(int, expected);
    TestEnvironment env;
    env.writeSettingsFile("[Settings]\n" + line + "\n");
    SettingsStore store;
    qint16 field = 42;
    store.readNumber(field, settings::keys::RefreshIPIntervalMin);
    QCOMPARE(int(field), expected);
}

void TestSettingsStore::fileLocationAndSection()
{
    TestEnvironment env;
    {
        SettingsStore store;
        QCOMPARE(store.fileName(), env.settingsFile());
        store.setValue(settings::keys::RefreshIP, QStringLiteral("1"));
    }
    QFile f(env.settingsFile());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.contains("[Settings]\nRefresh%20IP=1\n"), text.constData());
}

void TestSettingsStore::serviceHostDefaults()
{
    TestEnvironment env;
    SettingsStore store;
    QCOMPARE(store.ipServiceHost(), QStringLiteral(QUORVEL_IP_SERVICE_HOST));
    QCOMPARE(store.homePage(), QStringLiteral(QUORVEL_HOME_PAGE));
    store.setValue(settings::keys::IPServiceHost, QStringLiteral(" 127.0.0.1:9 "));
    QCOMPARE(store.ipServiceHost(), QStringLiteral("127.0.0.1:9"));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
