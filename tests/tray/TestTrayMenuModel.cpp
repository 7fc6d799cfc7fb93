#include "TrayMenuModel.h"

#include <QtTest>

using tray::TrayMenuModel;

namespace {

// "caption:key" of every entry, with "!" before disabled ones.
QString describe(const TrayMenuModel &m)
{
    QStringList out;
    for (const auto &e : m.entries())
        out << (e.enabled ? QString() : QStringLiteral("!")) + e.caption + u':' + e.key;
    return out.join(u' ');
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
    void indexesAndDefault();
    void edits_data();
    void edits();
};

void TestTrayMenuModel::indexesAndDefault()
{
    TrayMenuModel m;
    QCOMPARE(m.entries().size(), size_t(1)); // entry 0 exists before any add
    QCOMPARE(m.defaultMenuIndex(), 0L);
    QCOMPARE(m.addMenuItem("&Open", "open"), 0L);
    QCOMPARE(m.addMenuItem("-"), 1L);
    QCOMPARE(m.addMenuItem("&Exit", "exit", true), 2L);
    QCOMPARE(describe(m), QStringLiteral("&Open:open -: &Exit:exit"));
    QCOMPARE(m.defaultMenuIndex(), 2L);
}

void TestTrayMenuModel::edits_data()
{
    QTest::addColumn<QString>("op"); // r: remove, d: disable, f: default
    QTest::addColumn<long>("index");
    QTest::addColumn<QString>("entries");
    QTest::addColumn<long>("defaultIndex"); // after setting 2 first

    QTest::newRow("remove middle shifts the rest down") << "r" << 2L << "A:a B:b D:d E:e" << 2L;
    QTest::newRow("remove last") << "r" << 4L << "A:a B:b C:c D:d" << 2L;
    QTest::newRow("remove zero only blanks its caption") << "r" << 0L << ":a B:b C:c D:d E:e" << 2L;
    QTest::newRow("remove past the end") << "r" << 5L << "A:a B:b C:c D:d E:e" << 2L;
    QTest::newRow("remove negative") << "r" << -1L << "A:a B:b C:c D:d E:e" << 2L;
    QTest::newRow("disable") << "d" << 3L << "A:a B:b C:c !D:d E:e" << 2L;
    QTest::newRow("disable out of range") << "d" << 5L << "A:a B:b C:c D:d E:e" << 2L;
    // Removing moves captions and keys, not the enabled state of a place.
    QTest::newRow("disable, then remove before it") << "dr" << 3L << "A:a B:b D:d !E:e" << 2L;
    QTest::newRow("default valid") << "f" << 4L << "A:a B:b C:c D:d E:e" << 4L;
    QTest::newRow("default too large") << "f" << 5L << "A:a B:b C:c D:d E:e" << 0L;
    QTest::newRow("default negative") << "f" << -2L << "A:a B:b C:c D:d E:e" << 0L;
}

void TestTrayMenuModel::edits()
{
    QFETCH(QString, op);
    QFETCH(long, index);
    QFETCH(QString, entries);
    QFETCH(long, defaultIndex);
    TrayMenuModel m = five();
    m.setDefaultMenuIndex(2);
    if (op == "r")
        QCOMPARE(m.removeMenuItem(index), 0L);
    else if (op == "d")
        m.setMenuItemEnabled(index, false);
    else if (op == "dr") {
        m.setMenuItemEnabled(index, false);
        m.removeMenuItem(2);
    } else
        m.setDefaultMenuIndex(index);
    QCOMPARE(describe(m), entries);
    QCOMPARE(m.defaultMenuIndex(), defaultIndex);
}

QTEST_APPLESS_MAIN(TestTrayMenuModel)
#include "TestTrayMenuModel.moc"
