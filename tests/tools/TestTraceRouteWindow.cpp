#include "TraceRouteWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

// The window tracing 127.0.0.1, the one target outside a namespace that
// a test may aim at. Routes with routers: tests/tools/trace-namespaces.sh.
class TestTraceRouteWindow : public QObject
{
    Q_OBJECT
private slots:
    void tracesLoopback();
    void closingStopsTheTrace();
};

void TestTraceRouteWindow::tracesLoopback()
{
    tools::TraceRouteWindow window;
    window.show();
    auto *combo = window.findChild<QComboBox *>("hostCombo");
    QCOMPARE(combo->count(), 3);
    combo->setEditText("127.0.0.1");
    auto *packets = window.findChild<QLineEdit *>("packetCountEdit");
    auto *chars = window.findChild<QLineEdit *>("charsPerPacketEdit");
    auto *listing = window.findChild<QPlainTextEdit *>("listingEdit");
    packets->setText("5");
    chars->setText("500");
    listing->setPlainText("left from before");
    auto *button = window.findChild<QPushButton *>("traceButton");
    button->click();
    QVERIFY(!button->isEnabled());
    QCOMPARE(packets->text(), "1");
    QCOMPARE(chars->text(), "128");
    QCOMPARE(listing->toPlainText(), "");
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 5000);
    QCOMPARE(window.findChild<QLineEdit *>("resolvedEdit")->text(), "127.0.0.1");
    // The round trip is what the machine's load makes it.
    const QString text = listing->toPlainText();
    QVERIFY2(QRegularExpression("^Tracing Route to 127\\.0\\.0\\.1:\n\nHop #\t1\t(<10|\\d+) "
                                "ms\t127\\.0\\.0\\.1\n\nTrace Route Complete$")
                 .match(text)
                 .hasMatch(),
             qPrintable(text));
}

void TestTraceRouteWindow::closingStopsTheTrace()
{
    QPointer<tools::TraceRouteWindow> window = new tools::TraceRouteWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->findChild<QComboBox *>("hostCombo")->setEditText("127.0.0.1");
    window->findChild<QPushButton *>("traceButton")->click();
    window->close();
    QTRY_VERIFY(window.isNull());
    QTest::qWait(50); // nothing of the trace may still be at work
}

QTEST_MAIN(TestTraceRouteWindow)
#include "TestTraceRouteWindow.moc"
