#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

namespace address {

// One HTTP/1.1 answer as far as the bytes received so far tell it. Plain
// code without a socket, so that any bytes a server may send can be fed to
// it directly.
struct HttpResponse
{
    enum class State
    {
        Incomplete, // more must come
        Complete,
        Malformed,
        TooLarge, // the body is larger than allowed
    };
    State state = State::Incomplete;
    int status = 0;
    QByteArray body;
    QString problem; // what is wrong, for Malformed
};

// A status line and its fields are a few hundred bytes; a server that
// sends this much before the body is not answering the question asked.
inline constexpr qsizetype kMaxHttpHeaderBytes = 8 * 1024;

// Reads received, every byte of one connection so far (closed: the server
// has ended it, nothing more comes). Understands a status line of HTTP/1.0
// or 1.1, its fields, and a body framed by chunked coding, by
// Content-Length or by the end of the connection, of at most maxBody
// bytes; interim answers (1xx) are skipped. Bytes after the answer are
// ignored: the request said "Connection: close".
HttpResponse parseHttpResponse(QByteArrayView received, bool closed, qsizetype maxBody);

// The GET request for url that parseHttpResponse expects an answer to: one
// answer, no cache, no cookie, the connection closed after it.
QByteArray httpGetRequest(const QUrl &url);

} // namespace address
