#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace mail {

// One reply of the server: its code and its lines (without line ends). A
// code of 0 marks a line without one, which only a proxy may send (its
// banner and its prompt "WinGate>").
struct SmtpReply
{
    int code = 0;
    QStringList lines;

    // The reply as a user may see it: the first line whole, the text of
    // the others after it, every control character replaced and the
    // length bounded, so that a server cannot write escape sequences to a
    // terminal or the journal.
    QString printable() const;
};

// Gathers received bytes into complete replies, however the network cut
// them: a multi-line reply ("250-...") ends with its "250 ..." or bare
// "250" line, two replies in one read are two replies, and a proxy prompt
// ("WinGate>") counts even without a line end, because the proxy waits for
// our answer right after it. Every limit bounds what a hostile server can
// make us keep.
class SmtpReplyReader
{
public:
    // RFC 5321 4.5.3.1.5 allows 512 characters per reply line; real
    // servers stay well within four times that.
    static constexpr qsizetype kMaxLineBytes = 2048;
    // An EHLO reply lists a dozen extensions; a reply ten times as long is
    // no longer an answer.
    static constexpr int kMaxReplyLines = 100;

    // The replies completed by these bytes, in order. After an error
    // nothing more is returned.
    QList<SmtpReply> feed(const QByteArray &bytes);
    // Forgets everything not yet returned (the encryption upgrade starts
    // afresh).
    void clear();
    // Why the input is no SMTP reply; empty while it is one.
    QString error() const { return m_error; }
    // Bytes of a reply that has not ended yet.
    bool hasPartialReply() const { return !m_buffer.isEmpty() || !m_lines.isEmpty(); }

private:
    bool fail(const QString &why);

    QByteArray m_buffer; // bytes not yet part of a complete line
    QStringList m_lines; // complete lines of an unfinished multi-line reply
    int m_code = 0;
    QString m_error;
};

// The number a reply line begins with, or 0 when it does not begin with
// three digits followed by a blank, a "-" or its end.
int replyCode(const QString &line);

// Text a user may see: control and format characters become "?", and more
// than max characters end in "...".
QString printableText(const QString &text, qsizetype max = 300);

} // namespace mail
