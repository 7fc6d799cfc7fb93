#include "TrayTexts.h"

#include <QtTest>

using namespace tray;

class TestTrayTexts : public QObject
{
    Q_OBJECT
private slots:
    void store_data();
    void store();
    void decode_data();
    void decode();
};

void TestTrayTexts::store_data()
{
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("expected");

    const QString x127(127, u'x');
    QTest::newRow("short") << "old"
                           << "new" << kTipChars << "new";
    QTest::newRow("empty keeps previous") << "old"
                                          << "" << kTipChars << "old";
    QTest::newRow("127 fits a tip") << "" << x127 << kTipChars << x127;
    QTest::newRow("128 cut to 127") << "" << x127 + u'y' << kTipChars << x127;
    QTest::newRow("balloon text cut to 255")
        << "" << QString(300, u'b') << kBalloonTextChars << QString(255, u'b');
    QTest::newRow("title cut to 63")
        << "" << QString(64, u't') << kBalloonTitleChars << QString(63, u't');
    // A character outside the basic plane takes two places; half of it would
    // be garbage on screen.
    QTest::newRow("surrogate pair not split")
        << "" << QString(62, u't') + QString::fromUtf8("\U0001F600") << kBalloonTitleChars
        << QString(62, u't');
}

void TestTrayTexts::store()
{
    QFETCH(QString, previous);
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(QString, expected);
    QCOMPARE(storeInField(previous, text, field), expected);
}

void TestTrayTexts::decode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("event");

    QTest::newRow("move") << 0x200 << int(TrayEvent::MouseMove);
    QTest::newRow("left press raises nothing") << 0x201 << int(TrayEvent::None);
    QTest::newRow("left release is the left down") << 0x202 << int(TrayEvent::MouseDownLeft);
    QTest::newRow("left double") << 0x203 << int(TrayEvent::DoubleClickLeft);
    QTest::newRow("right press") << 0x204 << int(TrayEvent::MouseDownRight);
    QTest::newRow("right release") << 0x205 << int(TrayEvent::MouseUpRight);
    QTest::newRow("right double") << 0x206 << int(TrayEvent::DoubleClickRight);
    QTest::newRow("middle press ignored") << 0x207 << int(TrayEvent::None);
    QTest::newRow("balloon shown") << 0x402 << int(TrayEvent::BalloonShow);
    QTest::newRow("balloon hidden") << 0x403 << int(TrayEvent::BalloonHide);
    QTest::newRow("balloon timed out") << 0x404 << int(TrayEvent::BalloonTimeOut);
    QTest::newRow("balloon clicked") << 0x405 << int(TrayEvent::BalloonClicked);
    QTest::newRow("unknown") << 0x401 << int(TrayEvent::None);
}

void TestTrayTexts::decode()
{
    QFETCH(int, code);
    QFETCH(int, event);
    QCOMPARE(int(decodeNotification(code)), event);
}

QTEST_APPLESS_MAIN(TestTrayTexts)
#include "TestTrayTexts.moc"
