#include "MimeMessage.h"

#include "Base64.h"
#include "ContentType.h"

#include <QFileInfo>
#include <QLocale>
#include <QUrl>
#include <QUuid>
#include <cstdlib>

namespace mail {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kMailer = QStringLiteral("X-Mailer: Quorvel " QUORVEL_VERSION "\r\n");
// RFC 2047 2: an encoded word is at most 75 characters; 45 bytes of text
// make 60 of base64 and leave room for "=?UTF-8?B?" and "?=".
constexpr int kEncodedWordBytes = 45;
// RFC 2045 6.7: quoted-printable lines hold at most 76 characters.
constexpr int kQpLineLength = 76;

// Quoted-printable lines are cut well below RFC 2045's 76 characters.
constexpr int kQpWindow = 70;
constexpr int kQpUnwrappedMax = 75;
// RFC 5321 4.5.3.1.6: a text line holds at most 998 octets before its CR
// LF.
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
    return QStringLiteral("From: ") + headerText(h.fromName) + QStringLiteral(" <") +
           wireAddress(singleLine(h.fromEmail)) + QStringLiteral(">\r\nTo: ") +
           headerText(h.toName) + QStringLiteral(" <") + wireAddress(singleLine(h.toEmail)) +
           QStringLiteral(">\r\nSubject: ") + headerText(h.subject) + kCrLf +
           singleLine(h.dateLine) + kCrLf + QStringLiteral("Message-ID: <") + singleLine(id) +
           QStringLiteral(">\r\nMIME-Version: 1.0\r\n");
}

// A text part's head that tells the truth: ASCII goes as the encoding the
// layout names, anything else as UTF-8 in quoted-printable.
QString textPartHead(const QString &subtype, const QString &encoding, const QString &body)
{
    const bool ascii = isAscii(body);
    return QStringLiteral("Content-Type: text/") + subtype + QStringLiteral(";\r\n\tcharset=\"") +
           (ascii ? QStringLiteral("iso-8859-1") : QStringLiteral("utf-8")) +
           QStringLiteral("\"\r\nContent-Transfer-Encoding: ") +
           (ascii ? encoding : QStringLiteral("quoted-printable")) + kCrLf;
}

// The body as its part head declares it.
QString partBody(const QString &body, bool alreadyQuotedPrintable)
{
    if (isAscii(body))
        return body;
    if (!alreadyQuotedPrintable)
        return quotedPrintable(body);
    // Prepared HTML has its "=" escaped already; the rest of its escapes
    // are the bytes beyond ASCII.
    QString out;
    for (const QChar c : body) {
        if (c.unicode() < 128)
            out += c;
        else
            for (const char byte : QString(c).toUtf8())
                out += QStringLiteral("=%1").arg(uchar(byte), 2, 16, QChar(u'0')).toUpper();
    }
    return out;
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

QString dateHeader(const QDateTime &time)
{
    // RFC 5322 3.3: the zone as a numeric offset; "GMT" is obsolete.
    const int offset = time.offsetFromUtc() / 60;
    const int magnitude = std::abs(offset);
    return QStringLiteral("Date: ") +
           QLocale::c().toString(time, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")) +
           (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1%2")
               .arg(magnitude / 60, 2, 10, QChar(u'0'))
               .arg(magnitude % 60, 2, 10, QChar(u'0'));
}

QString headerText(const QString &value)
{
    const QString text = singleLine(value);
    if (isAscii(text))
        return text;
    // RFC 2047: UTF-8 in encoded words, each of whole characters, folded
    // onto lines of their own.
    QStringList words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, n).toUtf8();
        i += n - 1;
        if (chunk.size() + bytes.size() > kEncodedWordBytes) {
            words << QStringLiteral("=?UTF-8?B?") + QString::fromLatin1(chunk.toBase64()) + "?=";
            chunk.clear();
        }
        chunk += bytes;
    }
    words << QStringLiteral("=?UTF-8?B?") + QString::fromLatin1(chunk.toBase64()) + "?=";
    return words.join(QStringLiteral("\r\n "));
}

QString wireAddress(const QString &address)
{
    const qsizetype at = address.lastIndexOf(u'@');
    const QString domain = address.mid(at + 1);
    if (at < 0 || isAscii(domain))
        return address;
    // International domains travel in their ASCII form (IDNA).
    const QByteArray ace = QUrl::toAce(domain);
    return ace.isEmpty() ? address : address.left(at + 1) + QString::fromLatin1(ace);
}

QString quotedPrintable(const QString &text)
{
    QString out;
    const QStringList lines =
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QByteArray bytes = lines.at(l).toUtf8();
        QString line;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const uchar b = uchar(bytes.at(i));
            // Blanks at the end of a line would be lost on the way.
            const bool lastOfLine = i + 1 == bytes.size();
            QString piece = (b >= 33 && b <= 126 && b != '=') || (b == ' ' && !lastOfLine) ||
                                    (b == '\t' && !lastOfLine)
                                ? QString(QChar(b))
                                : QStringLiteral("=%1").arg(b, 2, 16, QChar(u'0')).toUpper();
            if (line.size() + piece.size() > kQpLineLength - 1) {
                out += line + QStringLiteral("=\r\n");
                line.clear();
            }
            line += piece;
        }
        out += line;
        if (l + 1 < lines.size())
            out += kCrLf;
    }
    return out;
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
    const QString alternative = htmlAlternativeText();
    const QString plain = QStringLiteral("plain"), html = QStringLiteral("html"),
                  qp = QStringLiteral("quoted-printable"), sevenBit = QStringLiteral("7bit");
    const QString body = partBody(mail.body, !plainText);
    QString m = commonHead(head);
    switch (layout) {
    case 0:
        m += textPartHead(plain, sevenBit, mail.body) + kMailer + kCrLf + body + kCrLf;
        break;
    case 1:
        m += QStringLiteral("Content-Type: multipart/alternative;\r\n\tboundary=\"") +
             kOuterBoundary + QStringLiteral("\"\r\n") + kMailer + kCrLf +
             boundaryLine(kOuterBoundary) + textPartHead(plain, qp, alternative) + kCrLf +
             alternative + boundaryLine(kOuterBoundary) + textPartHead(html, qp, mail.body) +
             kCrLf + body + kCrLf + kCrLf + boundaryLine(kOuterBoundary, true);
        break;
    case 2:
        m += QStringLiteral("Content-Type: multipart/mixed;\r\n\tboundary=\"") + kOuterBoundary +
             QStringLiteral("\"\r\n") + kMailer + kCrLf + boundaryLine(kOuterBoundary) +
             textPartHead(plain, sevenBit, mail.body) + kCrLf + body + kCrLf + kCrLf +
             mail.parts.join(QString()) + boundaryLine(kOuterBoundary, true);
        break;
    default:
        m += QStringLiteral("Content-Type: multipart/related;\r\n\tboundary=\"") + kOuterBoundary +
             QStringLiteral("\";\r\n\ttype=\"multipart/alternative\"\r\n") + kMailer + kCrLf +
             boundaryLine(kOuterBoundary) +
             QStringLiteral("Content-Type: multipart/alternative;\r\n\tboundary=\"") +
             kInnerBoundary + QStringLiteral("\"\r\n\r\n") + boundaryLine(kInnerBoundary) +
             textPartHead(plain, qp, alternative) + kCrLf + alternative +
             boundaryLine(kInnerBoundary) + textPartHead(html, qp, mail.body) + kCrLf + body +
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
        const QByteArray bytes = line.toUtf8();
        qsizetype pos = 0;
        bool continuation = false;
        while (pos < bytes.size()) {
            // A head line goes on with a blank (folding); a body line simply
            // breaks. Either way the doubled dot counts towards the limit,
            // and no character is cut in two.
            const char *lead = continuation && inHead ? " " : bytes.at(pos) == '.' ? "." : "";
            qsizetype take =
                std::min<qsizetype>(kMaxLineLength - qstrlen(lead), bytes.size() - pos);
            while (pos + take < bytes.size() && (uchar(bytes.at(pos + take)) & 0xC0) == 0x80)
                --take;
            out += lead + bytes.mid(pos, take) + "\r\n";
            pos += take;
            continuation = true;
        }
    }
    if (terminate)
        out += ".\r\n";
    return out;
}

bool isAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() > 127)
            return false;
    return true;
}

} // namespace mail
