#include "MimeMessage.h"

#include "Base64.h"
#include "ContentType.h"

#include <QFileInfo>
#include <QLocale>
#include <QUuid>

namespace mail {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLatin1Charset = QStringLiteral("\tcharset=\"iso-8859-1\"\r\n");
constexpr QLatin1StringView kMultipartMailer{"X-Mailer: Your Program Name Here\r\n"};

// Quoted-printable lines are cut well below RFC 2045's 76 characters.
constexpr int kQpWindow = 70;
constexpr int kQpUnwrappedMax = 75;
// RFC 5321 4.5.3.1.6: a text line holds at most 998 characters before its
// CR LF.
constexpr int kMaxLineLength = 998;

QString boundaryLine(QLatin1StringView boundary, bool closing = false)
{
    return QStringLiteral("--") + boundary + (closing ? QStringLiteral("--") : QString()) + kCrLf;
}

// Replaces the first (or every) occurrence of needle, ignoring case.
QString replaceIgnoringCase(QString text, const QString &needle, const QString &with, bool all)
{
    qsizetype from = 0;
    while ((from = text.indexOf(needle, from, Qt::CaseInsensitive)) >= 0) {
        text.replace(from, needle.size(), with);
        from += with.size();
        if (!all)
            break;
    }
    return text;
}

QString fileNameOf(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}

bool isFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString commonHead(const MessageHead &h)
{
    const QString id = !h.messageId.isEmpty() ? h.messageId : h.uniqueId + u'@' + h.serverHost;
    return QStringLiteral("From: ") + singleLine(h.fromName) + QStringLiteral(" <") +
           singleLine(h.fromEmail) + QStringLiteral(">\r\nTo: ") + singleLine(h.toName) +
           QStringLiteral(" <") + singleLine(h.toEmail) + QStringLiteral(">\r\nSubject: ") +
           singleLine(h.subject) + kCrLf + singleLine(h.dateLine) + kCrLf +
           QStringLiteral("Message-ID: <") + singleLine(id) +
           QStringLiteral(">\r\nMIME-Version: 1.0\r\n");
}

QString textPartHead(const QString &subtype, const QString &encoding)
{
    return QStringLiteral("Content-Type: text/") + subtype + QStringLiteral(";\r\n") +
           kLatin1Charset + QStringLiteral("Content-Transfer-Encoding: ") + encoding + kCrLf +
           kCrLf;
}

} // namespace

QString wrapQpLines(const QString &text)
{
    const qsizetype length = text.size();
    if (length <= kQpUnwrappedMax)
        return text;
    QString out;
    qsizetype pos = 0;
    for (;;) {
        const QString window = text.mid(pos, kQpWindow);
        qsizetype take;
        if (const qsizetype gt = window.lastIndexOf(u'>'); gt >= 0) {
            take = gt + 1;
            out += window.left(take) + kCrLf;
        } else if (const qsizetype sp = window.lastIndexOf(u' '); sp >= 0) {
            take = sp + 1;
            out += window.left(take) + QStringLiteral("=\r\n");
        } else {
            // A hard cut must not separate "=" from its "3D".
            take = window.size();
            for (int back = 1; back <= 2; ++back)
                if (text.mid(pos + take - back, 3) == QLatin1StringView("=3D")) {
                    take -= back;
                    break;
                }
            out += window.left(take) + QStringLiteral("=\r\n");
        }
        pos += take;
        const qsizetype rest = length - pos;
        if (rest <= 0)
            break;
        if (rest <= kQpUnwrappedMax + 1) {
            out += text.mid(pos);
            break;
        }
    }
    return out;
}

QString prepareHtml(const QString &html)
{
    QString text = html.trimmed();
    text = replaceIgnoringCase(text, QStringLiteral("SRC=\""), QStringLiteral("SRC=\"cid:"), true);
    text = replaceIgnoringCase(text, QStringLiteral("BACKGROUND=\""),
                               QStringLiteral("BACKGROUND=\"cid:"), false);
    text.replace(u'=', QStringLiteral("=3D"));
    return wrapQpLines(text);
}

QString dateHeader(const QDateTime &utc)
{
    return QStringLiteral("Date: ") +
           QLocale::c().toString(utc.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss")) +
           QStringLiteral(" GMT");
}

QString newUniqueId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().replace(u'-', u'.');
}

QString htmlAlternativeText()
{
    return QStringLiteral("This is an HTML wewbpage email.\r\n"
                          "It may only be viewed as HTML email, but your email program\r\n"
                          "does not appear to read HTML format.\r\n\r\n");
}

QString contentTypeForFile(const QString &fileName)
{
    return platform::contentTypeForFile(fileName);
}

QString attachmentPartHeader(const QString &fileName, const QString &contentType)
{
    return boundaryLine(kOuterBoundary) + QStringLiteral("Content-Type: ") + contentType +
           QStringLiteral(";\r\n\tName=\"") + fileName +
           QStringLiteral("\"\r\nContent-Transfer-Encoding: base64\r\n"
                          "Content-Disposition: attachment;\r\n\tFilename=\"") +
           fileName + QStringLiteral("\"\r\n\r\n");
}

QString imagePartHeader(const QString &fileName, const QString &contentId)
{
    QString extension = fileName.right(3);
    if (extension.compare(QLatin1StringView("PEG"), Qt::CaseInsensitive) == 0)
        extension = QStringLiteral("jpg");
    return boundaryLine(kOuterBoundary) + QStringLiteral("Content-Type: image/") + extension +
           QStringLiteral(";\r\n\tName=\"") + fileName +
           QStringLiteral("\"\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <") + contentId +
           QStringLiteral(">\r\n\r\n");
}

PreparedMail prepareMail(const QString &text, QString &files, bool plainText,
                         const std::function<QString()> &makeId)
{
    PreparedMail mail;
    mail.body = plainText ? text : prepareHtml(text);
    files = files.trimmed();
    if (files.isEmpty())
        return mail;
    for (const QString &piece : files.split(u'*')) {
        const QString path = piece.trimmed();
        if (!isFile(path))
            continue;
        const QString name = fileNameOf(path);
        QString header;
        if (plainText) {
            header = attachmentPartHeader(name, contentTypeForFile(name));
        } else {
            const QString id = makeId();
            if (!id.isEmpty())
                mail.body = replaceIgnoringCase(mail.body, QStringLiteral("cid:") + name,
                                                QStringLiteral("cid:") + id, true);
            header = imagePartHeader(name, id.isEmpty() ? name : id);
        }
        mail.parts << header + base64EncodeFile(path, true) + kCrLf + kCrLf;
    }
    return mail;
}

QString composeMessage(const MessageHead &head, const PreparedMail &mail, bool plainText)
{
    const int layout = (mail.parts.isEmpty() ? 0 : 2) + (plainText ? 0 : 1);
    QString m = commonHead(head);
    switch (layout) {
    case 0:
        m += QStringLiteral("Content-Type: text/plain;\r\n") + kLatin1Charset +
             QStringLiteral("Content-Transfer-Encoding: 7bit\r\n"
                            "X-Mailer: MIME-tools 5.503 (Entity 5.501)\r\n\r\n") +
             mail.body + kCrLf;
        break;
    case 1:
        m += QStringLiteral("Content-Type: multipart/alternative;\r\n\tboundary=\"") +
             kOuterBoundary + QStringLiteral("\"\r\n") + kMultipartMailer + kCrLf +
             boundaryLine(kOuterBoundary) +
             textPartHead(QStringLiteral("plain"), QStringLiteral("quoted-printable")) +
             htmlAlternativeText() + boundaryLine(kOuterBoundary) +
             textPartHead(QStringLiteral("html"), QStringLiteral("quoted-printable")) + mail.body +
             kCrLf + kCrLf + boundaryLine(kOuterBoundary, true);
        break;
    case 2:
        m += QStringLiteral("Content-Type: multipart/mixed;\r\n\tboundary=\"") + kOuterBoundary +
             QStringLiteral("\"\r\n") + kMultipartMailer + kCrLf + boundaryLine(kOuterBoundary) +
             textPartHead(QStringLiteral("plain"), QStringLiteral("7bit")) + mail.body + kCrLf +
             kCrLf + mail.parts.join(QString()) + boundaryLine(kOuterBoundary, true);
        break;
    default:
        m += QStringLiteral("Content-Type: multipart/related;\r\n\tboundary=\"") + kOuterBoundary +
             QStringLiteral("\";\r\n\ttype=\"multipart/alternative\"\r\n") + kMultipartMailer +
             kCrLf + boundaryLine(kOuterBoundary) +
             QStringLiteral("Content-Type: multipart/alternative;\r\n\tboundary=\"") +
             kInnerBoundary + QStringLiteral("\"\r\n\r\n") + boundaryLine(kInnerBoundary) +
             textPartHead(QStringLiteral("plain"), QStringLiteral("quoted-printable")) +
             htmlAlternativeText() + boundaryLine(kInnerBoundary) +
             textPartHead(QStringLiteral("html"), QStringLiteral("quoted-printable")) + mail.body +
             kCrLf + kCrLf + boundaryLine(kInnerBoundary, true) + kCrLf +
             mail.parts.join(QString()) + boundaryLine(kOuterBoundary, true);
        break;
    }
    return m;
}

QString singleLine(const QString &value)
{
    QString out = value;
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    while (out.endsWith(u' ') || out.endsWith(u'\t'))
        out.chop(1);
    return out;
}

QByteArray smtpData(const QString &message, bool terminate)
{
    // Bare CR or LF would be read differently by different servers (the
    // root of SMTP smuggling); every line end goes out as CR LF.
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n'))
        text.chop(1);

    QByteArray out;
    out.reserve(text.size() + text.size() / 30 + 8);
    bool inHead = true;
    for (const QString &line : text.split(u'\n')) {
        if (line.isEmpty()) {
            inHead = false;
            out += "\r\n";
            continue;
        }
        qsizetype pos = 0;
        bool continuation = false;
        while (pos < line.size()) {
            // A head line goes on with a blank (folding); a body line simply
            // breaks. Either way the doubled dot counts towards the limit.
            const QString lead = continuation && inHead ? QStringLiteral(" ") : QString();
            qsizetype take = std::min<qsizetype>(kMaxLineLength - lead.size(), line.size() - pos);
            QString piece = lead + line.mid(pos, take);
            if (piece.startsWith(u'.')) {
                take = std::min<qsizetype>(kMaxLineLength - 1, line.size() - pos);
                piece = u'.' + line.mid(pos, take);
            }
            out += piece.toLatin1() + "\r\n";
            pos += take;
            continuation = true;
        }
    }
    if (terminate)
        out += ".\r\n";
    return out;
}

} // namespace mail
