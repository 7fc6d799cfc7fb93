#include "AboutDialog.h"
#include "DonationAddress.h"
#include "TestEnvironment.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrlQuery>
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
    void texts();
    void linkColour();
    void linksOpenInTheBrowser();
    void closes_data();
    void closes();
    void cleanupTestCase();

private:
    template <typename T> static T *child(const QWidget &w, const char *name)
    {
        return w.findChild<T *>(QString::fromLatin1(name));
    }

    TestEnvironment m_env;
    QList<QUrl> m_opened;
};

void TestAboutDialog::initTestCase()
{
    m_env.setLoopbackServices("127.0.0.1:9", "http://www.quorvel.example/home");
    QDesktopServices::setUrlHandler("http", this, "openUrl");
    QDesktopServices::setUrlHandler("https", this, "openUrl");
}

void TestAboutDialog::texts()
{
    AboutDialog d;
    QCOMPARE(d.windowTitle(), QStringLiteral("About"));
    const auto text = [&d](const char *name) { return child<QLabel>(d, name)->text(); };
    QCOMPARE(text("titleLabel"), QStringLiteral("Quorvel"));
    QCOMPARE(text("versionLabel"), QStringLiteral("Version: 1.2.0"));
    QCOMPARE(text("descriptionLabel"),
             QStringLiteral("Software that show your Internet IP address"));
    QCOMPARE(text("urlLabel"), QStringLiteral("http://www.quorvel.example/home"));
    const QString disclaimer = text("disclaimerLabel");
    QCOMPARE(disclaimer, disclaimer.toUpper());
    QVERIFY(disclaimer.contains("NO WARRANTY") && disclaimer.contains("RISK"));
    QCOMPARE(child<QLabel>(d, "donateLabel")->toolTip(),
             QStringLiteral("Click here to make a donation with PayPal, Thanks ;-)"));
    QCOMPARE(child<QLabel>(d, "logoLabel")->pixmap().size(), QSize(124, 120));
    QCOMPARE(child<QLabel>(d, "donateLabel")->pixmap().size(), QSize(62, 31));
}

void TestAboutDialog::linkColour()
{
    AboutDialog d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QLabel *link = child<QLabel>(d, "urlLabel");
    const auto colour = [link] { return link->palette().color(QPalette::WindowText); };
    QCOMPARE(colour(), QColor(0, 0, 255));

    QTest::mouseMove(link, link->rect().center());
    QTRY_COMPARE(colour(), QColor(255, 0, 0));
    // Straight from the link onto other controls: still red.
    for (const char *other : {"donateLabel", "versionLabel", "okButton"}) {
        auto *w = child<QWidget>(d, other);
        QTest::mouseMove(w, w->rect().center());
        QTest::qWait(20);
        QCOMPARE(colour(), QColor(255, 0, 0));
    }
    // The window's own background turns it blue again.
    QTest::mouseMove(&d, QPoint(4, d.height() - 4));
    QTRY_COMPARE(colour(), QColor(0, 0, 255));
}

void TestAboutDialog::linksOpenInTheBrowser()
{
    AboutDialog d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    m_opened.clear();
    QTest::mouseClick(child<QLabel>(d, "urlLabel"), Qt::LeftButton);
    QTest::mouseClick(child<QLabel>(d, "donateLabel"), Qt::LeftButton);
    QCOMPARE(m_opened.size(), 2);
    QCOMPARE(m_opened[0], QUrl("http://www.quorvel.example/home"));

    const QString donation = about::donationAddress("pay.example", "me@quorvel.example");
    QCOMPARE(donation,
             QStringLiteral("https://pay.example/cgi-bin/webscr?cmd=_xclick"
                            "&business=me@quorvel.example&item_name=Donate%20for%20Quorvel"
                            "&item_number=4&amount=5%2e00&no_shipping=0&no_note=1&tax=0"
                            "&currency_code=EUR&lc=IT&bn=PP%2dDonationsBF&charset=UTF%2d8"));
    // What reaches the browser keeps the keys in order, with their values.
    const QUrl opened = m_opened[1];
    QCOMPARE(opened.scheme() + "://" + opened.host() + opened.path(),
             "https://" + about::kDonationHost + "/cgi-bin/webscr");
    QStringList keys;
    for (const auto &[key, value] : QUrlQuery(opened).queryItems(QUrl::FullyDecoded))
        keys << key + u'=' + value;
    QCOMPARE(keys, QStringList({"cmd=_xclick", "business=" + about::kDonationAccount,
                                "item_name=Donate for Quorvel", "item_number=4", "amount=5.00",
                                "no_shipping=0", "no_note=1", "tax=0", "currency_code=EUR", "lc=IT",
                                "bn=PP-DonationsBF", "charset=UTF-8"}));
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
    AboutDialog d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    if (key)
        QTest::keyClick(&d, Qt::Key(key));
    else
        QTest::mouseClick(child<QPushButton>(d, "okButton"), Qt::LeftButton);
    QTRY_VERIFY(!d.isVisible());
}

void TestAboutDialog::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
}

QTEST_MAIN(TestAboutDialog)
#include "TestAboutDialog.moc"
