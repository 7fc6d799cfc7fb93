#include "Base64.h"
#include "MimeMessage.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mail;

// Encoders and the four message layouts, byte for byte.
class TestMimeMessage : public QObject
{
    Q_OBJECT
private slots:
    void base64LineBreaks_data();
    void base64LineBreaks();
    void base64Decode_data();
    void base64Decode();
    void wrapQpLines_data();
    void wrapQpLines();
    void prepareHtml_data();
    void prepareHtml();
    void layouts_data();
    void layouts();
    void fileListAndContentTypes();
    void smtpData_data();
    void smtpData();
    void dateAndIds();
};

void TestMimeMessage::base64LineBreaks_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("breaks");
    QTest::addColumn<QString>("lineLengths");
    QTest::newRow("empty") << 0 << true << "";
    QTest::newRow("57 bytes: one full line") << 57 << true << "76";
    QTest::newRow("76 bytes stay on one line") << 76 << true << "104";
    QTest::newRow("77 bytes break") << 77 << true << "76,28";
    QTest::newRow("114 bytes: nothing after the last") << 114 << true << "76,76";
    QTest::newRow("no breaks asked") << 200 << false << "268";
}

void TestMimeMessage::base64LineBreaks()
{
    QFETCH(int, bytes);
    QFETCH(bool, breaks);
    QFETCH(QString, lineLengths);
    QByteArray input(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        input[i] = char(i * 7 + 3);
    const QString out = base64Encode(input, breaks);
    QStringList lengths;
    for (const QString &line : out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lengths << QString::number(line.size());
    QCOMPARE(lengths.join(u','), lineLengths);
    QCOMPARE(QByteArray::fromBase64(out.toLatin1()), input);
    QVERIFY(!out.endsWith(u'\n'));
}

void TestMimeMessage::base64Decode_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("challenge with line end") << "VXNlcm5hbWU6\r\n" << QByteArray("Username:");
    QTest::newRow("two pad") << "dXNlcg==" << QByteArray("user");
    QTest::newRow("one pad") << "dXNlcm4=" << QByteArray("usern");
    QTest::newRow("partial group ignored") << "TWFuTW" << QByteArray("Man");
    // Padding is judged at the very end, so a line end hides it.
    QTest::newRow("pad before line end") << "dXNlcg==\r\n" << QByteArray("user\0\0", 6);
    QTest::newRow("outside alphabet counts as zero") << "T!Fu" << QByteArray("L\x01n", 3);
}

void TestMimeMessage::base64Decode()
{
    QFETCH(QString, in);
    QFETCH(QByteArray, out);
    QCOMPARE(mail::base64Decode(in).toLatin1(), out);
}

void TestMimeMessage::wrapQpLines_data()
{
    const QString a69(69, u'a');
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("75 unchanged") << QString(75, u'x') << QString(75, u'x');
    QTest::newRow("76 wraps") << QString(76, u'x')
                              << QString(70, u'x') + "=\r\n" + QString(6, u'x');
    QTest::newRow("120 hard cut") << QString(120, u'x')
                                  << QString(70, u'x') + "=\r\n" + QString(50, u'x');
    QTest::newRow("after last tag") << "<b>" + QString(40, u'x') + "</b> " + QString(60, u'y')
                                    << "<b>" + QString(40, u'x') + "</b>\r\n " + QString(60, u'y');
    QTest::newRow("after last space") << QString(30, u'x') + " " + QString(60, u'y')
                                      << QString(30, u'x') + " =\r\n" + QString(60, u'y');
    QTest::newRow("escape not split (=)")
        << a69 + "=3D" + QString(20, u'b') << a69 + "=\r\n=3D" + QString(20, u'b');
    QTest::newRow("escape not split (=3)") << a69.left(68) + "=3D" + QString(20, u'b')
                                           << a69.left(68) + "=\r\n=3D" + QString(20, u'b');
}

void TestMimeMessage::wrapQpLines()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(mail::wrapQpLines(in), out);
}

void TestMimeMessage::prepareHtml_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("src upper-cased and referenced") << "  <img src=\"a.gif\">  "
                                                    << "<img SRC=3D\"cid:a.gif\">";
    QTest::newRow("first background only")
        << "<body background=\"a\"><td BACKGROUND=\"b\">"
        << "<body BACKGROUND=3D\"cid:a\"><td BACKGROUND=3D\"b\">";
}

void TestMimeMessage::prepareHtml()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(mail::prepareHtml(in), out);
}

namespace {

const QString kHead = "From:  <me@example.com>\r\nTo:  <you@example.net>\r\nSubject: Hi there\r\n"
                      "Date: Tue, 05 Mar 2024 14:03:09 GMT\r\nMessage-ID: <U.ID@mail.example>\r\n"
                      "MIME-Version: 1.0\r\n";
const QString kAlt = "This is an HTML wewbpage email.\r\nIt may only be viewed as HTML email, but "
                     "your email program\r\ndoes not appear to read HTML format.\r\n\r\n";
const QString kPart = "--Boundary_A_3435FE2_6617A_AA\r\nContent-Type: text/plain;\r\n\tName="
                      "\"n.txt\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: "
                      "attachment;\r\n\tFilename=\"n.txt\"\r\n\r\naGVsbG8=\r\n\r\n";
const QString kImage = "--Boundary_A_3435FE2_6617A_AA\r\nContent-Type: image/jpg;\r\n\tName="
                       "\"p.jpeg\"\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <ID1>\r\n"
                       "\r\naGVsbG8=\r\n\r\n";

} // namespace

void TestMimeMessage::layouts_data()
{
    QTest::addColumn<bool>("plain");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("expected");
    const QString html = "<img SRC=3D\"cid:ID1\">";
    QTest::newRow("0 plain") << true << "Line\r\n"
                             << QStringList()
                             << kHead + "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
                                        "Content-Transfer-Encoding: 7bit\r\nX-Mailer: MIME-tools "
                                        "5.503 (Entity 5.501)\r\n\r\nLine\r\n\r\n";
    QTest::newRow("1 html")
        << false << html << QStringList()
        << kHead +
               "Content-Type: multipart/alternative;\r\n\tboundary=\"Boundary_"
               "A_3435FE2_6617A_AA\"\r\nX-Mailer: Your Program Name Here\r\n\r\n"
               "--Boundary_A_3435FE2_6617A_AA\r\nContent-Type: text/plain;\r\n"
               "\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-"
               "printable\r\n\r\n" +
               kAlt +
               "--Boundary_A_3435FE2_6617A_AA\r\nContent-Type: text/html;\r\n"
               "\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-"
               "printable\r\n\r\n" +
               html + "\r\n\r\n--Boundary_A_3435FE2_6617A_AA--\r\n";
    QTest::newRow("2 attachments")
        << true << "Body" << QStringList{kPart}
        << kHead +
               "Content-Type: multipart/mixed;\r\n\tboundary=\"Boundary_A_3435FE2_6617A_AA\"\r\n"
               "X-Mailer: Your Program Name Here\r\n\r\n--Boundary_A_3435FE2_6617A_AA\r\n"
               "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-"
               "Encoding: 7bit\r\n\r\nBody\r\n\r\n" +
               kPart + "--Boundary_A_3435FE2_6617A_AA--\r\n";
    QTest::newRow("3 inline images")
        << false << html << QStringList{kImage}
        << kHead +
               "Content-Type: multipart/related;\r\n\tboundary=\"Boundary_A_3435FE2_6617A_AA\";"
               "\r\n\ttype=\"multipart/alternative\"\r\nX-Mailer: Your Program Name Here\r\n\r\n"
               "--Boundary_A_3435FE2_6617A_AA\r\nContent-Type: multipart/alternative;\r\n\t"
               "boundary=\"Boundary_B_3435FE2_6617B_BB\"\r\n\r\n--Boundary_B_3435FE2_6617B_BB\r\n"
               "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-"
               "Encoding: quoted-printable\r\n\r\n" +
               kAlt +
               "--Boundary_B_3435FE2_6617B_BB\r\nContent-Type: text/html;\r\n\tcharset=\"iso-8859-"
               "1\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
               html + "\r\n\r\n--Boundary_B_3435FE2_6617B_BB--\r\n\r\n" + kImage +
               "--Boundary_A_3435FE2_6617A_AA--\r\n";
}

void TestMimeMessage::layouts()
{
    QFETCH(bool, plain);
    QFETCH(QString, body);
    QFETCH(QStringList, parts);
    QFETCH(QString, expected);
    const MessageHead head{{},
                           "me@example.com",
                           {},
                           "you@example.net",
                           "Hi there\r\n",
                           {},
                           "mail.example",
                           dateHeader(QDateTime(QDate(2024, 3, 5), QTime(14, 3, 9), Qt::UTC)),
                           "U.ID"};
    QCOMPARE(composeMessage(head, {body, parts}, plain), expected);
}

void TestMimeMessage::fileListAndContentTypes()
{
    QTemporaryDir dir;
    for (const char *name : {"n.txt", "p.jpeg", "noext", "x.JPG"}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("hello");
    }
    QString files = "  " + dir.filePath("n.txt") + " * " + dir.filePath("missing.txt") + " *" +
                    dir.path() + " * " + dir.filePath("noext") + "  ";
    const PreparedMail plain = prepareMail("Body", files, true);
    QCOMPARE(files, files.trimmed());
    QCOMPARE(plain.parts.size(), 2); // the missing file and the folder are skipped
    QCOMPARE(plain.parts[0], kPart);
    QVERIFY(plain.parts[1].contains("Content-Type: application/octet-stream;"));

    QString images = dir.filePath("p.jpeg") + "*" + dir.filePath("x.JPG");
    int n = 0;
    const PreparedMail html = prepareMail("<img src=\"P.JPEG\"><img src=\"x.JPG\">", images, false,
                                          [&n] { return "ID" + QString::number(++n); });
    QCOMPARE(html.parts[0], kImage);
    QVERIFY(html.parts[1].contains("Content-Type: image/JPG;"));
    QCOMPARE(html.body, "<img SRC=3D\"cid:ID1\"><img SRC=3D\"cid:ID2\">");
    // Without an identifier the file name serves and the body stays.
    QString one = dir.filePath("p.jpeg");
    const PreparedMail noId = prepareMail("<img src=\"p.jpeg\">", one, false, [] { return ""; });
    QVERIFY(noId.parts[0].contains("Content-ID: <p.jpeg>"));
    QCOMPARE(noId.body, "<img SRC=3D\"cid:p.jpeg\">");
}

void TestMimeMessage::smtpData_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("dots doubled") << "S: a\r\n\r\n.\r\n.x\r\n"
                                  << QByteArray("S: a\r\n\r\n..\r\n..x\r\n.\r\n");
    QTest::newRow("bare line ends")
        << "S: a\r\n\r\na\n.\rb" << QByteArray("S: a\r\n\r\na\r\n..\r\nb\r\n.\r\n");
    QTest::newRow("long body line broken")
        << "S: a\r\n\r\n" + QString(1000, u'x') + "\r\n"
        << "S: a\r\n\r\n" + QByteArray(998, 'x') + "\r\nxx\r\n.\r\n";
    QTest::newRow("long head line folded")
        << "S: " + QString(1200, u'x') + "\r\n\r\nb"
        << "S: " + QByteArray(995, 'x') + "\r\n " + QByteArray(205, 'x') + "\r\n\r\nb\r\n.\r\n";
    QTest::newRow("broken piece starting with a dot")
        << "S: a\r\n\r\n" + QString(998, u'x') + ".y"
        << "S: a\r\n\r\n" + QByteArray(998, 'x') + "\r\n..y\r\n.\r\n";
}

void TestMimeMessage::smtpData()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, data);
    QCOMPARE(mail::smtpData(message), data);
}

void TestMimeMessage::dateAndIds()
{
    QCOMPARE(singleLine("Notify LAN: 10.0.0.5\r\n10.0.0.6\r\n"), "Notify LAN: 10.0.0.5 10.0.0.6");
    QCOMPARE(dateHeader(QDateTime(QDate(2024, 12, 1), QTime(0, 0, 5), Qt::UTC)),
             "Date: Sun, 01 Dec 2024 00:00:05 GMT");
    const QString id = newUniqueId();
    QVERIFY2(
        QRegularExpression("^[0-9A-F]{8}(\\.[0-9A-F]{4}){3}\\.[0-9A-F]{12}$").match(id).hasMatch(),
        qPrintable(id));
    QVERIFY(newUniqueId() != id);
}

QTEST_APPLESS_MAIN(TestMimeMessage)
#include "TestMimeMessage.moc"
