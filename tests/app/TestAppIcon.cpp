#include "AppIcon.h"

#include <QResource>
#include <QtTest>

// The icon is built from raw pixels that a script writes from the PNGs
// (resources/make-icon-pixels.sh); a PNG changed without running it again
// would ship the old picture.
class TestAppIcon : public QObject
{
    Q_OBJECT
private slots:
    void matchesThePng_data();
    void matchesThePng();
};

void TestAppIcon::matchesThePng_data()
{
    QTest::addColumn<int>("size");
    for (int size : app::kApplicationIconSizes)
        QTest::addRow("%d", size) << size;
}

void TestAppIcon::matchesThePng()
{
    QFETCH(int, size);
    const QImage png(QStringLiteral(QUORVEL_TESTS_DIR "/../resources/quorvel-%1.png").arg(size));
    QCOMPARE(png.size(), QSize(size, size));

    const QIcon icon = app::applicationIcon();
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    // Both as the screen gets them (premultiplied), so that rounding there
    // is alike on both sides.
    const auto format = QImage::Format_ARGB32_Premultiplied;
    QCOMPARE(icon.pixmap(QSize(size, size)).toImage().convertToFormat(format),
             png.convertToFormat(format));

    // Stored as is, so that start-up reads the program's own bytes.
    QCOMPARE(QResource(QStringLiteral(":/icons/quorvel-%1.rgba").arg(size)).compressionAlgorithm(),
             QResource::NoCompression);
}

QTEST_MAIN(TestAppIcon)
#include "TestAppIcon.moc"
