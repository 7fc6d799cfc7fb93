#include "AboutDialog.h"
#include "DonationAddress.h"
#include "TestEnvironment.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using about::AboutDialog;

class TestAboutDialog : public QObject
{
    Q_OBJECT
public slots:
    // Stands in for the desktop's web browser.
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase();
    void textsAndLinks();
    void linkColour();
    void closes_data();
    void closes();
    void cleanupTestCase();

private:
    TestEnvironment m_env;
    QList<QUrl> m_opened;
    AboutDialog *m_dialog = nullptr;
    QLabel *label(const char *name) const { return m_dialog->findChild<QLabel *>(name); }
};

void TestAboutDialog::initTestCase()
{
    m_env.setLoopbackServices("127.0.0.1:9", "http://www.quorvel.example/home");
    QDesktopServices::setUrlHandler("http", this, "openUrl");
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    m_dialog = new AboutDialog;
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void TestAboutDialog::textsAndLinks()
{
    QCOMPARE(m_dialog->windowTitle(), "About");
    QCOMPARE(label("titleLabel")->text(), "Quorvel");
    QCOMPARE(label("versionLabel")->text(), "Version: 1.2.0");
    QCOMPARE(label("descriptionLabel")->text(), "Software that show your Internet IP address");
    QCOMPARE(label("urlLabel")->text(), "http://www.quorvel.example/home");
    const QString disclaimer = label("disclaimerLabel")->text();
    QVERIFY(disclaimer == disclaimer.toUpper() && disclaimer.contains("WITHOUT WARRANTY"));
    QCOMPARE(label("donateLabel")->toolTip(),
             "Click here to make a donation with PayPal, Thanks ;-)");
    QTest::mouseClick(label("urlLabel"), Qt::LeftButton);
    QTest::mouseClick(label("donateLabel"), Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>({QUrl("http://www.quorvel.example/home"),
                                    QUrl(about::donationAddress())}));
    QCOMPARE(about::donationAddress(),
             "https://www.paypal.com/cgi-bin/webscr?cmd=_xclick"
             "&business=donate@quorvel.example&item_name=Donate%20for%20Quorvel"
             "&item_number=4&amount=5%2e00&no_shipping=0&no_note=1&tax=0"
             "&currency_code=EUR&lc=IT&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

void TestAboutDialog::linkColour()
{
    const auto colour = [this] { return label("urlLabel")->palette().color(QPalette::WindowText); };
    QCOMPARE(colour(), QColor(0, 0, 255));
    QTest::mouseMove(label("urlLabel"), QPoint(2, 2));
    QTRY_COMPARE(colour(), QColor(255, 0, 0));
    // Straight from the link onto the donation image: still red.
    QTest::mouseMove(label("donateLabel"), QPoint(2, 2));
    QTest::qWait(20);
    QCOMPARE(colour(), QColor(255, 0, 0));
    // The window's own background turns it blue again.
    QTest::mouseMove(m_dialog, QPoint(4, m_dialog->height() - 4));
    QTRY_COMPARE(colour(), QColor(0, 0, 255));
}

void TestAboutDialog::closes_data()
{
    QTest::addColumn<int>("key"); // 0: a click on OK
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("OK") << 0;
}

void TestAboutDialog::closes()
{
    QFETCH(int, key);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    if (key)
        QTest::keyClick(m_dialog, Qt::Key(key));
    else
        QTest::mouseClick(m_dialog->findChild<QPushButton *>("okButton"), Qt::LeftButton);
    QTRY_VERIFY(!m_dialog->isVisible());
}

void TestAboutDialog::cleanupTestCase()
{
    delete m_dialog;
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
}

QTEST_MAIN(TestAboutDialog)
#include "TestAboutDialog.moc"
