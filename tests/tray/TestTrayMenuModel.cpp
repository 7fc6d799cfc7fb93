#include "TrayMenuModel.h"

#include <QtTest>

using tray::TrayMenuModel;

namespace {

QStringList captions(const TrayMenuModel &m)
{
    QStringList out;
    for (const auto &e : m.entries())
        out << e.caption;
    return out;
}

QStringList keys(const TrayMenuModel &m)
{
    QStringList out;
    for (const auto &e : m.entries())
        out << e.key;
    return out;
}

TrayMenuModel five()
{
    TrayMenuModel m;
    for (const char *k : {"a", "b", "c", "d", "e"})
        m.addMenuItem(QString::fromLatin1(k).toUpper(), QString::fromLatin1(k));
    return m;
}

} // namespace

class TestTrayMenuModel : public QObject
{
    Q_OBJECT
private slots:
    void indexesCountFromZero();
    void defaultEntry();
    void remove_data();
    void remove();
    void enableOnlyValidIndexes();
    void defaultIndexFallsBackToZero_data();
    void defaultIndexFallsBackToZero();
};

void TestTrayMenuModel::indexesCountFromZero()
{
    TrayMenuModel m;
    QCOMPARE(m.entries().size(), size_t(1)); // entry 0 exists before any add
    QCOMPARE(m.addMenuItem("&Open", "open", true), 0L);
    QCOMPARE(m.entries().size(), size_t(1));
    QCOMPARE(m.addMenuItem("-"), 1L);
    QCOMPARE(m.addMenuItem("&Exit", "exit"), 2L);
    QCOMPARE(captions(m), (QStringList{"&Open", "-", "&Exit"}));
    QCOMPARE(keys(m), (QStringList{"open", "", "exit"}));
}

void TestTrayMenuModel::defaultEntry()
{
    TrayMenuModel m;
    QCOMPARE(m.defaultMenuIndex(), 0L);
    m.addMenuItem("a", "a");
    m.addMenuItem("b", "b", true);
    m.addMenuItem("c", "c");
    QCOMPARE(m.defaultMenuIndex(), 1L);
}

void TestTrayMenuModel::remove_data()
{
    QTest::addColumn<long>("index");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("middle shifts the rest down")
        << 2L << QStringList{"A", "B", "D", "E"} << QStringList{"a", "b", "d", "e"};
    QTest::newRow("last") << 4L << QStringList{"A", "B", "C", "D"}
                          << QStringList{"a", "b", "c", "d"};
    QTest::newRow("zero only blanks its caption")
        << 0L << QStringList{"", "B", "C", "D", "E"} << QStringList{"a", "b", "c", "d", "e"};
    QTest::newRow("past the end") << 5L << QStringList{"A", "B", "C", "D", "E"}
                                  << QStringList{"a", "b", "c", "d", "e"};
    QTest::newRow("negative") << -1L << QStringList{"A", "B", "C", "D", "E"}
                              << QStringList{"a", "b", "c", "d", "e"};
}

void TestTrayMenuModel::remove()
{
    QFETCH(long, index);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, keys);
    TrayMenuModel m = five();
    QCOMPARE(m.removeMenuItem(index), 0L);
    QCOMPARE(::captions(m), captions);
    QCOMPARE(::keys(m), keys);
}

void TestTrayMenuModel::enableOnlyValidIndexes()
{
    TrayMenuModel m = five();
    m.setMenuItemEnabled(3, false);
    m.setMenuItemEnabled(5, false);
    m.setMenuItemEnabled(-1, false);
    QList<bool> enabled;
    for (const auto &e : m.entries())
        enabled << e.enabled;
    QCOMPARE(enabled, (QList<bool>{true, true, true, false, true}));
    // Removing an earlier entry moves captions, not the enabled state.
    m.removeMenuItem(1);
    QCOMPARE(m.entries()[3].caption, QStringLiteral("E"));
    QVERIFY(!m.entries()[3].enabled);
}

void TestTrayMenuModel::defaultIndexFallsBackToZero_data()
{
    QTest::addColumn<long>("set");
    QTest::addColumn<long>("expected");
    QTest::newRow("valid") << 4L << 4L;
    QTest::newRow("too large") << 5L << 0L;
    QTest::newRow("negative") << -2L << 0L;
}

void TestTrayMenuModel::defaultIndexFallsBackToZero()
{
    QFETCH(long, set);
    QFETCH(long, expected);
    TrayMenuModel m = five();
    m.setDefaultMenuIndex(2);
    m.setDefaultMenuIndex(set);
    QCOMPARE(m.defaultMenuIndex(), expected);
}

QTEST_APPLESS_MAIN(TestTrayMenuModel)
#include "TestTrayMenuModel.moc"
