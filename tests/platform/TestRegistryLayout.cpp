#include "RegistryLayout.h"

#include <QtTest>

using namespace platform::registry;

class TestRegistryLayout : public QObject
{
    Q_OBJECT
private slots:
    void runEntry_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("data");
        QTest::newRow("on") << "C:\\Tools\\Quorvel.exe" << true << "Quorvel"
                            << "C:\\Tools\\Quorvel";
        QTest::newRow("off: same value, no data") << "C:\\Tools\\Quorvel.exe" << false << "Quorvel"
                                                  << "";
        QTest::newRow("drive root: one backslash") << "C:\\Quorvel.exe" << true << "Quorvel"
                                                   << "C:\\Quorvel";
        QTest::newRow("Qt's slashes, blanks unquoted")
            << "C:/Program Files/Quorvel/quorvel.exe" << true << "quorvel"
            << "C:\\Program Files\\Quorvel\\quorvel";
        QTest::newRow("only the last extension goes") << "D:\\a.b\\my.tool.exe" << true << "my.tool"
                                                      << "D:\\a.b\\my.tool";
    }
    void runEntry()
    {
        QFETCH(QString, program);
        QFETCH(bool, enable);
        const RunEntry entry = platform::registry::runEntry(program, enable);
        QTEST(entry.valueName, "name");
        QTEST(entry.data, "data");
    }

    void fileTypeKey_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << "photo.JPG"
                               << ".JPG";
        QTest::newRow("last dot only") << "backup.tar.gz"
                                       << ".gz";
        QTest::newRow("no dot") << "README"
                                << "";
        QTest::newRow("dot at the end") << "name."
                                        << ".";
    }
    void fileTypeKey()
    {
        QFETCH(QString, fileName);
        QTEST(platform::registry::fileTypeKey(fileName), "key");
    }

    void valueText_data()
    {
        QTest::addColumn<long>("status");
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<quint32>("size");
        QTest::addColumn<QByteArray>("text"); // null: not found
        const QByteArray full =
            QByteArray("smtp.example.com").leftJustified(kValueBufferSize, '\0');
        QTest::newRow("text without its NUL")
            << 0L << full << 17u << QByteArray("smtp.example.com");
        QTest::newRow("empty string is absent") << 0L << full << 1u << QByteArray();
        QTest::newRow("nothing at all") << 0L << full << 0u << QByteArray();
        QTest::newRow("query failed (too long)") << 234L << full << 300u << QByteArray();
        QTest::newRow("size beyond the buffer") << 0L << full.left(8) << 17u << QByteArray();
        QTest::newRow("filling the buffer")
            << 0L << QByteArray(kValueBufferSize, 'x') << quint32(kValueBufferSize)
            << QByteArray(kValueBufferSize - 1, 'x');
    }
    void valueText()
    {
        QFETCH(long, status);
        QFETCH(QByteArray, buffer);
        QFETCH(quint32, size);
        QFETCH(QByteArray, text);
        const auto read = platform::registry::valueText(status, buffer, size);
        QCOMPARE(read.has_value(), !text.isNull());
        if (read)
            QCOMPARE(*read, text);
    }

    void mailAccountKey()
    {
        QCOMPARE(platform::registry::mailAccountKey("00000001"),
                 "Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001");
    }
};

QTEST_APPLESS_MAIN(TestRegistryLayout)
#include "TestRegistryLayout.moc"
