#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <functional>

namespace mail {

inline constexpr QLatin1StringView kOuterBoundary{"Boundary_A_3435FE2_6617A_AA"};
inline constexpr QLatin1StringView kInnerBoundary{"Boundary_B_3435FE2_6617B_BB"};

// The body prepared for sending and one complete part (header and base64
// content) per attached file, in the order of the file list.
struct PreparedMail
{
    QString body;
    QStringList parts;
};

// Everything the head of the message is made of. dateLine and uniqueId are
// made afresh for every message (dateHeader(), newUniqueId()).
struct MessageHead
{
    QString fromName, fromEmail, toName, toEmail, subject, messageId, serverHost;
    QString dateLine;
    QString uniqueId;
};

// An HTML body ready to go as quoted-printable: trimmed, every image
// source and the first background turned into a Content-ID reference,
// "=" escaped as "=3D", lines wrapped by wrapQpLines.
QString prepareHtml(const QString &html);
// Texts of 76 characters or more are cut into lines of at most 70: after
// the last ">" of the window (a hard break), else after its last space
// (soft break "="), else after 70 characters (soft break), never inside an
// "=3D" escape. Line ends already in the text do not restart the count.
QString wrapQpLines(const QString &text);

// "Date: Tue, 05 Mar 2024 14:03:09 +0100" (RFC 5322) in the time's own zone.
QString dateHeader(const QDateTime &time);
// A header value on one line; beyond ASCII as RFC 2047 encoded words
// (UTF-8, base64), folded so that none is longer than 75 characters.
QString headerText(const QString &value);
// An address with an international domain in its ASCII form (IDNA).
QString wireAddress(const QString &address);
// Nothing beyond 7-bit ASCII in it.
bool isAscii(const QString &text);
// Text as UTF-8 in quoted-printable (RFC 2045 6.7): line ends kept, lines
// of at most 76 characters.
QString quotedPrintable(const QString &text);
// 36 characters: a random UUID's five groups of upper-case hex joined by
// dots.
QString newUniqueId();
// The text shown by mail programs that cannot show HTML.
QString htmlAlternativeText();
// Content type of a file from its name's extension; unknown or none gives
// "application/octet-stream".
QString contentTypeForFile(const QString &fileName);
QString attachmentPartHeader(const QString &fileName, const QString &contentType);
QString imagePartHeader(const QString &fileName, const QString &contentId);

// Shapes the body (plain text as it is, HTML through prepareHtml) and makes
// one part per existing file of the "*"-separated list, which is trimmed in
// place. Plain text attaches files; HTML embeds them as images and points
// the body's "cid:" + file name references at their Content-IDs.
PreparedMail prepareMail(const QString &text, QString &files, bool plainText,
                         const std::function<QString()> &makeId = newUniqueId);

// The whole message text (head and body, CR LF line ends) in the layout
// that plainText and the presence of parts choose; without the final ".".
// A text part that is not plain ASCII goes as UTF-8 in quoted-printable.
QString composeMessage(const MessageHead &head, const PreparedMail &mail, bool plainText);

// A header value on one line: every line break becomes one space and
// trailing blanks go, so no value can split its header line.
QString singleLine(const QString &value);

// The message as the DATA command carries it: UTF-8 bytes (ASCII unless an
// address needs more), every line
// ended by CR LF, lines that start with "." doubled, none longer than 998
// bytes (head lines are folded, body lines broken), and the closing
// "." line. With terminate false the closing line is left out.
QByteArray smtpData(const QString &message, bool terminate = true);

} // namespace mail
