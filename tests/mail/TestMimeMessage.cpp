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
    void transforms_data();
    void transforms();
    void layouts_data();
    void layouts();
    void fileListAndContentTypes();
};

// Text in, text out: base64Decode, wrapQpLines, prepareHtml, smtpData,
// singleLine, headerText, quotedPrintable.
void TestMimeMessage::transforms_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    const QString a69(69, u'a'), x70(70, u'x');
    QTest::newRow("decode challenge with line end") << "decode"
                                                    << "VXNlcm5hbWU6\r\n"
                                                    << "Username:";
    QTest::newRow("decode two pad") << "decode"
                                    << "dXNlcg=="
                                    << "user";
    // Padding is judged at the very end, so a line end hides it.
    QTest::newRow("decode pad before line end") << "decode"
                                                << "dXNlcg==\r\n"
                                                << QString::fromLatin1("user\0\0", 6);
    QTest::newRow("wrap: 75 unchanged") << "wrap" << QString(75, u'x') << QString(75, u'x');
    QTest::newRow("wrap: 76 wraps") << "wrap" << QString(76, u'x') << x70 + "=\r\nxxxxxx";
    QTest::newRow("wrap: 120 hard cut")
        << "wrap" << QString(120, u'x') << x70 + "=\r\n" + QString(50, u'x');
    QTest::newRow("wrap after last tag")
        << "wrap"
        << "<b>" + a69.left(40) + "</b> " + x70 << "<b>" + a69.left(40) + "</b>\r\n " + x70;
    QTest::newRow("wrap after last space")
        << "wrap" << a69.left(30) + " " + x70.left(60) << a69.left(30) + " =\r\n" + x70.left(60);
    QTest::newRow("wrap keeps =3D (=)")
        << "wrap" << a69 + "=3D" + x70.left(20) << a69 + "=\r\n=3D" + x70.left(20);
    QTest::newRow("wrap keeps =3D (=3)") << "wrap" << a69.left(68) + "=3D" + x70.left(20)
                                         << a69.left(68) + "=\r\n=3D" + x70.left(20);
    QTest::newRow("html: src referenced") << "html"
                                          << "  <img src=\"a.gif\">  "
                                          << "<img SRC=3D\"cid:a.gif\">";
    QTest::newRow("data: dots doubled") << "data"
                                        << "S: a\r\n\r\n.\r\n.x\r\n"
                                        << "S: a\r\n\r\n..\r\n..x\r\n.\r\n";
    QTest::newRow("data: bare line ends") << "data"
                                          << "S: a\r\n\r\na\n.\rb"
                                          << "S: a\r\n\r\na\r\n..\r\nb\r\n.\r\n";
    const QString x998(998, u'x');
    QTest::newRow("data: long body line broken, dot doubled")
        << "data"
        << "S: a\r\n\r\n" + x998 + ".y"
        << "S: a\r\n\r\n" + x998 + "\r\n..y\r\n.\r\n";
    QTest::newRow("data: 998 characters from a dot")
        << "data"
        << "S: a\r\n\r\n." + x998.left(997) << "S: a\r\n\r\n.." + x998.left(996) + "\r\nx\r\n.\r\n";
    QTest::newRow("data: long head line folded")
        << "data"
        << "S: " + x998 + "\r\n\r\nb"
        << "S: " + x998.left(995) + "\r\n xxx\r\n\r\nb\r\n.\r\n";
    QTest::newRow("header value on one line, bare LF too") << "line"
                                                           << "LAN: 10.0.0.5\n10.0.0.6\r\n"
                                                           << "LAN: 10.0.0.5 10.0.0.6";
    const QString word = "=?UTF-8?B?" + QString("w6nDqcOp").repeated(7) + "w6k=?=";
    QTest::newRow("header beyond ASCII: encoded words of whole characters")
        << "header" << QString(50, u'é')
        << word + "\r\n " + word + "\r\n =?UTF-8?B?w6nDqcOpw6nDqcOp?=";
    QTest::newRow("quoted-printable") << "qp"
                                      << "é =x \r\n" + x70 + "yyyyyy"
                                      << "=C3=A9 =3Dx=20\r\n" + x70 + "yyyyy=\r\ny";
}

void TestMimeMessage::transforms()
{
    QFETCH(QString, function);
    QFETCH(QString, in);
    QFETCH(QString, out);
    const QString got = function == "decode"   ? mail::base64Decode(in)
                        : function == "wrap"   ? mail::wrapQpLines(in)
                        : function == "html"   ? mail::prepareHtml(in)
                        : function == "data"   ? QString::fromUtf8(mail::smtpData(in))
                        : function == "header" ? mail::headerText(in)
                        : function == "qp"     ? mail::quotedPrintable(in)
                                               : mail::singleLine(in);
    QCOMPARE(got, out);
}

namespace {

// Expected texts are kept with plain line ends; the message has CR LF.
QString fixture(const char *name)
{
    QFile f(QStringLiteral(QUORVEL_TEST_DATA_DIR "/fixtures/") + name);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll())
                                             .replace("\n", "\r\n")
                                             .replace("@VERSION@", QUORVEL_VERSION)
                                       : QString();
}

} // namespace

void TestMimeMessage::layouts_data()
{
    QTest::addColumn<bool>("plain");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("expected");
    const QString html = "<img SRC=3D\"cid:ID1\">";
    QTest::newRow("0 plain") << true << "Line\r\n" << QStringList() << fixture("layout0.eml");
    QTest::newRow("1 html") << false << html << QStringList() << fixture("layout1.eml");
    QTest::newRow("2 attachments")
        << true << "Body" << QStringList{fixture("part-attachment.txt")} << fixture("layout2.eml");
    QTest::newRow("3 inline images")
        << false << html << QStringList{fixture("part-image.txt")} << fixture("layout3.eml");
}

void TestMimeMessage::layouts()
{
    QFETCH(bool, plain);
    QFETCH(QString, body);
    QFETCH(QStringList, parts);
    QFETCH(QString, expected);
    MessageHead head;
    head.fromEmail = "me@example.com";
    head.toEmail = "you@example.net";
    head.subject = "Hi there\r\n";
    head.serverHost = "mail.example";
    head.dateLine = dateHeader(QDateTime(QDate(2024, 3, 5), QTime(14, 3, 9), Qt::UTC));
    head.uniqueId = "U.ID";
    QCOMPARE(composeMessage(head, {body, parts}, plain), expected);
    // A body beyond ASCII says so; the zone is numeric.
    const QString utf8 = composeMessage(head, {"Zeit: ١٢ é", parts}, plain);
    QVERIFY(utf8.contains("charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable"));
    QVERIFY(utf8.contains(plain ? "\r\n\r\nZeit: =D9=A1=D9=A2 =C3=A9\r\n" : "=D9=A1=D9=A2"));
    QCOMPARE(dateHeader(QDateTime(QDate(2024, 3, 5), QTime(9, 3, 9), Qt::OffsetFromUTC, -16200)),
             "Date: Tue, 05 Mar 2024 09:03:09 -0430");
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
    // The type is the system's (Windows: the file type registrations).
    QCOMPARE(plain.parts[0],
             fixture("part-attachment.txt").replace("text/plain", contentTypeForFile("n.txt")));
    QVERIFY(plain.parts[1].contains("Content-Type: application/octet-stream;"));

    QString images = dir.filePath("p.jpeg") + "*" + dir.filePath("x.JPG");
    int n = 0;
    const PreparedMail html = prepareMail("<img src=\"P.JPEG\"><img src=\"x.JPG\">", images, false,
                                          [&n] { return "ID" + QString::number(++n); });
    QCOMPARE(html.parts[0], fixture("part-image.txt"));
    QVERIFY(html.parts[1].contains("Content-Type: image/JPG;"));
    QCOMPARE(html.body, "<img SRC=3D\"cid:ID1\"><img SRC=3D\"cid:ID2\">");
    QVERIFY(QRegularExpression("^[0-9A-F]{8}(\\.[0-9A-F]{4}){3}\\.[0-9A-F]{12}$")
                .match(newUniqueId())
                .hasMatch());
}

QTEST_APPLESS_MAIN(TestMimeMessage)
#include "TestMimeMessage.moc"
