#include "ConsoleEvents.h"

#include <QtTest>

using platform::ConsoleEventAction;

Q_DECLARE_METATYPE(platform::ConsoleEventAction)

class TestConsoleEvents : public QObject
{
    Q_OBJECT
private slots:
    void action_data()
    {
        QTest::addColumn<quint32>("event");
        QTest::addColumn<ConsoleEventAction>("action");
        QTest::newRow("Ctrl+C") << 0u << ConsoleEventAction::EndInOrder;
        QTest::newRow("Ctrl+Break") << 1u << ConsoleEventAction::EndInOrder;
        QTest::newRow("console closed") << 2u << ConsoleEventAction::EndInOrderBeforeReturning;
        QTest::newRow("log-off: another's") << 5u << ConsoleEventAction::PassOn;
        QTest::newRow("shutdown") << 6u << ConsoleEventAction::EndInOrderBeforeReturning;
        QTest::newRow("unassigned") << 3u << ConsoleEventAction::PassOn;
        QTest::newRow("unknown") << 0xFFFFFFFFu << ConsoleEventAction::PassOn;
    }
    void action()
    {
        QFETCH(quint32, event);
        QTEST(platform::consoleEventAction(event), "action");
    }
};

QTEST_APPLESS_MAIN(TestConsoleEvents)
#include "TestConsoleEvents.moc"
