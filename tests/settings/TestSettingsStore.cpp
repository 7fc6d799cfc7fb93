#include "AddressServices.h"
#include "ProgramFiles.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QtTest>

using settings::SettingsStore;
namespace keys = settings::keys;

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void textsRoundTripUnchanged();
    void numbers_data();
    void numbers();
    void handWritten_data();
    void handWritten();
    void readmeExamples();
    void fileAndServiceDefaults();
    void programFiles_data();
    void programFiles();
};

void TestSettingsStore::textsRoundTripUnchanged()
{
    // What the user typed comes back exactly, whatever QSettings would
    // otherwise make of it.
    const QStringList texts{" pw ",      "",       "@Invalid()",
                            "a\"b\\c",   "k=v; x", "a, b, c",
                            "line1\nl2", "true",   QString::fromUtf8("p\u00e4ss\u20ac\u4e2d")};
    TestEnvironment env;
    for (const QString &text : texts) {
        SettingsStore().setValue(keys::Password, text);
        QCOMPARE(SettingsStore().value(keys::Password, QStringLiteral("dflt")), text);
    }
}

void TestSettingsStore::numbers_data()
{
    QTest::addColumn<QByteArray>("line"); // empty: the key is absent
    QTest::addColumn<int>("expected");    // 42: the field kept its value

    QTest::newRow("absent: catalogue default") << QByteArray() << 1;
    QTest::newRow("valid") << QByteArray("Refresh%20IP%20Interval%20Min=15") << 15;
    QTest::newRow("blanks") << QByteArray("Refresh%20IP%20Interval%20Min=\" 20 \"") << 20;
    QTest::newRow("letters") << QByteArray("Refresh%20IP%20Interval%20Min=abc") << 42;
    QTest::newRow("too large") << QByteArray("Refresh%20IP%20Interval%20Min=70000") << 42;
    QTest::newRow("a list") << QByteArray("Refresh%20IP%20Interval%20Min=1, 2") << 42;
    QTest::newRow("a variant") << QByteArray("Refresh%20IP%20Interval%20Min=@Rect(1 2 3 4)") << 42;
}

void TestSettingsStore::numbers()
{
    QFETCH(QByteArray, line);
    QFETCH(int, expected);
    TestEnvironment env;
    env.writeSettingsFile("[Settings]\n" + line + "\n");
    qint16 field = 42;
    SettingsStore().readNumber(field, keys::RefreshIPIntervalMin);
    QCOMPARE(int(field), expected);
}

void TestSettingsStore::handWritten_data()
{
    // The value as a person writes it after "Password=", and the text read.
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("expected");
    QTest::newRow("list, unquoted")
        << QByteArray("http://a/ip, http://b/ip") << "http://a/ip, http://b/ip";
    QTest::newRow("list, no blanks") << QByteArray("a,b,,c") << "a,b,,c";
    QTest::newRow("list, blanks at the ends") << QByteArray("  a ,  b  ") << "a ,  b";
    QTest::newRow("list, quoted part")
        << QByteArray("\"Ann, Smith\" <a@b>, x") << "Ann, Smith <a@b>, x";
    QTest::newRow("quoted, blanks kept") << QByteArray("\" p,w \"") << " p,w ";
    QTest::newRow("escapes with a comma") << QByteArray("a, b\\tc\\x00e4") << "a, b\tc\u00e4";
    QTest::newRow("UTF-8 with a comma")
        << QByteArray("p\xc3\xa4ss, \xe2\x82\xac") << "p\u00e4ss, \u20ac";
    QTest::newRow("plain") << QByteArray(" pw ") << "pw";
    QTest::newRow("quoted") << QByteArray("\"pw\"") << "pw";
}

void TestSettingsStore::handWritten()
{
    QFETCH(QByteArray, written);
    QFETCH(QString, expected);
    TestEnvironment env;
    env.writeSettingsFile("[General]\nPassword=other\n[Settings]\nPassword=" + written +
                          "\nFrom%20E-Mail=x\n");
    QCOMPARE(SettingsStore().value(keys::Password, QString()), expected);
    QString field = QStringLiteral("kept");
    SettingsStore().readText(field, keys::Password);
    QCOMPARE(field, expected);

    // Storing the text it already holds leaves the file as its writer left
    // it, byte for byte (the registry keeps no written form); another text
    // replaces it.
#ifndef Q_OS_WIN
    QFile file(env.settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    SettingsStore().setValue(keys::Password, expected);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();
#endif
    SettingsStore().setValue(keys::Password, expected + u'!');
    QCOMPARE(SettingsStore().value(keys::Password, QString()), expected + u'!');
}

void TestSettingsStore::readmeExamples()
{
    // Every settings block of the README, written exactly as printed,
    // reads back as the text after "=" and, for the address services, as
    // the services a refresh asks.
    QFile readme(QStringLiteral(QUORVEL_TESTS_DIR "/../README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(readme.readAll()).split(u'\n');
    int blocks = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed() != QLatin1String("[Settings]"))
            continue;
        const qsizetype indent = lines[i].indexOf(u'[');
        QByteArray file;
        QList<std::pair<QString, QString>> values;
        for (qsizetype j = i; j < lines.size() && lines[j].startsWith(QString(indent, u' ')) &&
                              !lines[j].trimmed().isEmpty();
             ++j) {
            const QString line = lines[j].mid(indent);
            file += line.toUtf8() + '\n';
            if (const qsizetype eq = line.indexOf(u'='); eq > 0)
                values.append(
                    {QUrl::fromPercentEncoding(line.left(eq).toUtf8()), line.mid(eq + 1)});
        }
        TestEnvironment env;
        env.writeSettingsFile(file);
        const SettingsStore store;
        for (const auto &[key, value] : values) {
            QCOMPARE(store.value(key, QString()), value);
            if (key == keys::IPServices)
                QCOMPARE(address::chooseServices({}, store.ipServices()).services.size(),
                         value.count(u',') + 1);
        }
        ++blocks;
    }
    QVERIFY2(blocks >= 2, "the README shows no settings blocks");
}

void TestSettingsStore::fileAndServiceDefaults()
{
    TestEnvironment env;
    SettingsStore store;
    QCOMPARE(store.fileName(), env.settingsFile());
    QCOMPARE(store.ipServiceHost(), QStringLiteral(QUORVEL_IP_SERVICE_HOST));
    QCOMPARE(store.homePage(), QStringLiteral(QUORVEL_HOME_PAGE));
    store.setValue(keys::IPServiceHost, QStringLiteral(" 127.0.0.1:9 "));
    QCOMPARE(store.ipServiceHost(), QStringLiteral("127.0.0.1:9"));
#ifndef Q_OS_WIN // there the registry holds the values (the Windows seams' test)
    store.setValue(keys::RefreshIP, QStringLiteral("1"));
    QFile f(env.settingsFile());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.contains("[Settings]\n") && text.contains("\nRefresh%20IP=1\n"),
             text.constData());
#endif
}

void TestSettingsStore::programFiles_data()
{
    // Folders under a prefix that hold the file; the one expected, "" for none.
    QTest::addColumn<QStringList>("holders");
    QTest::addColumn<QString>("expected");
    const QString lib = QUORVEL_INSTALL_LIBRARYDIR, bin = QUORVEL_INSTALL_BINDIR;
    QTest::newRow("build tree: beside") << QStringList{bin} << bin;
    QTest::newRow("installed") << QStringList{lib} << lib;
    QTest::newRow("beside wins") << QStringList{lib, bin} << bin;
    QTest::newRow("data folder is not for plug-ins")
        << QStringList{QUORVEL_INSTALL_DATADIR} << QString();
}

void TestSettingsStore::programFiles()
{
    QFETCH(QStringList, holders);
    QFETCH(QString, expected);
    QTemporaryDir prefix;
    for (const QString &folder : holders) {
        QVERIFY(QDir(prefix.path()).mkpath(folder));
        QFile(prefix.filePath(folder + "/plugin.so")).open(QIODevice::WriteOnly);
    }
    const QString found = platform::findProgramFile(
        prefix.filePath(QUORVEL_INSTALL_BINDIR), platform::ProgramFileKind::Library, "plugin.so");
    // When nowhere, the answer is the place beside the program.
    QCOMPARE(QDir::cleanPath(found),
             prefix.filePath((expected.isEmpty() ? QString(QUORVEL_INSTALL_BINDIR) : expected) +
                             "/plugin.so"));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
