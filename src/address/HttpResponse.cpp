#include "HttpResponse.h"

#include <optional>

namespace address {

namespace {

using State = HttpResponse::State;

// The line that starts at pos, without its line end (LF, or CR LF), and pos
// moved past it; nothing while its LF has not arrived.
std::optional<QByteArrayView> takeLine(QByteArrayView in, qsizetype &pos)
{
    const qsizetype lf = in.indexOf('\n', pos);
    if (lf < 0)
        return std::nullopt;
    QByteArrayView line = in.sliced(pos, lf - pos);
    if (line.endsWith('\r'))
        line.chop(1);
    pos = lf + 1;
    return line;
}

bool isDigits(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool isToken(QByteArrayView name)
{
    if (name.isEmpty())
        return false;
    for (char c : name)
        if (c <= ' ' || c >= 127 || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    return true;
}

HttpResponse failed(State state, const char *problem = "")
{
    HttpResponse r;
    r.state = state;
    r.problem = QString::fromLatin1(problem);
    return r;
}

// The chunked body that starts at pos.
HttpResponse readChunked(QByteArrayView in, qsizetype pos, qsizetype maxBody, HttpResponse r)
{
    for (;;) {
        const auto sizeLine = takeLine(in, pos);
        if (!sizeLine)
            return r;
        QByteArrayView digits = *sizeLine;
        if (const qsizetype semicolon = digits.indexOf(';'); semicolon >= 0)
            digits.truncate(semicolon);
        digits = digits.trimmed();
        // Fifteen hex digits at most: nothing larger can be meant, and the
        // sum below cannot overflow.
        bool ok = !digits.isEmpty() && digits.size() <= 15;
        for (char c : digits)
            ok = ok && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
        if (!ok)
            return failed(State::Malformed, "bad chunk size");
        const qlonglong size = digits.toLongLong(nullptr, 16);
        if (size == 0) {
            // Trailer fields up to an empty line; their content plays no part.
            while (const auto trailer = takeLine(in, pos)) {
                if (trailer->isEmpty()) {
                    r.state = State::Complete;
                    return r;
                }
            }
            return r;
        }
        if (r.body.size() + size > maxBody)
            return failed(State::TooLarge);
        if (in.size() - pos < size)
            return r;
        r.body += in.sliced(pos, qsizetype(size));
        pos += qsizetype(size);
        const auto end = takeLine(in, pos);
        if (!end)
            return r;
        if (!end->isEmpty())
            return failed(State::Malformed, "chunk longer than its size");
    }
}

} // namespace

HttpResponse parseHttpResponse(QByteArrayView in, bool closed, qsizetype maxBody)
{
    HttpResponse r;
    qsizetype pos = 0;
    qsizetype contentLength = -1;
    bool chunked = false;
    for (;;) {
        const qsizetype start = pos;
        const auto statusLine = takeLine(in, pos);
        if (!statusLine) {
            if (in.size() - start > kMaxHttpHeaderBytes)
                return failed(State::Malformed, "header larger than 8 KiB");
            break;
        }
        // "HTTP/1.1 200 OK": the version, a blank, three digits, and a
        // reason after a blank, if any.
        const QByteArrayView s = *statusLine;
        if (s.size() < 12 || !(s.startsWith("HTTP/1.0 ") || s.startsWith("HTTP/1.1 ")) ||
            !isDigits(s.sliced(9, 3)) || (s.size() > 12 && s.at(12) != ' '))
            return failed(State::Malformed, "no HTTP status line");
        r.status = s.sliced(9, 3).toInt();
        contentLength = -1;
        chunked = false;
        bool headerDone = false;
        while (const auto line = takeLine(in, pos)) {
            if (pos - start > kMaxHttpHeaderBytes)
                return failed(State::Malformed, "header larger than 8 KiB");
            if (line->isEmpty()) {
                headerDone = true;
                break;
            }
            const qsizetype colon = line->indexOf(':');
            // No blank may stand before the colon, and a line folded onto
            // the one before is refused (RFC 9112, 5.1 and 5.2).
            if (colon < 0 || !isToken(line->first(colon)))
                return failed(State::Malformed, "bad header field");
            const QByteArray name = line->first(colon).toByteArray().toLower();
            const QByteArrayView value = line->sliced(colon + 1).trimmed();
            if (name == "content-length") {
                if (!isDigits(value) || value.size() > 15)
                    return failed(State::Malformed, "bad Content-Length");
                const qsizetype length = qsizetype(value.toLongLong());
                if (contentLength >= 0 && contentLength != length)
                    return failed(State::Malformed, "two different Content-Length fields");
                contentLength = length;
            } else if (name == "transfer-encoding") {
                if (value.compare("chunked", Qt::CaseInsensitive) != 0)
                    return failed(State::Malformed, "unsupported transfer coding");
                chunked = true;
            }
        }
        if (!headerDone) {
            if (in.size() - start > kMaxHttpHeaderBytes)
                return failed(State::Malformed, "header larger than 8 KiB");
            break;
        }
        if (r.status == 101)
            return failed(State::Malformed, "protocol switch nobody asked for");
        // An interim answer: the real one follows.
        if (r.status >= 100 && r.status < 200)
            continue;
        if (r.status == 204 || r.status == 304) {
            r.state = State::Complete;
            return r;
        }
        if (chunked) {
            r = readChunked(in, pos, maxBody, r);
        } else if (contentLength >= 0) {
            if (contentLength > maxBody)
                return failed(State::TooLarge);
            if (in.size() - pos >= contentLength) {
                r.body = in.sliced(pos, contentLength).toByteArray();
                r.state = State::Complete;
            }
        } else {
            // The body runs until the server closes the connection.
            if (in.size() - pos > maxBody)
                return failed(State::TooLarge);
            if (closed) {
                r.body = in.sliced(pos).toByteArray();
                r.state = State::Complete;
            }
        }
        if (r.state == State::Incomplete && closed)
            return failed(State::Malformed, "connection closed before the answer was complete");
        return r;
    }
    if (closed)
        return failed(State::Malformed, in.isEmpty()
                                            ? "connection closed without an answer"
                                            : "connection closed before the answer was complete");
    return r;
}

QByteArray httpGetRequest(const QUrl &url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    if (url.port(defaultPort) != defaultPort)
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nUser-Agent: Quorvel\r\nAccept: */*\r\nCache-Control: no-cache\r\n"
           "Pragma: no-cache\r\nConnection: close\r\n\r\n";
}

} // namespace address
