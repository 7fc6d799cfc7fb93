#include "FuzzTarget.h"

#include "HttpResponse.h"

using address::HttpResponse;
using State = HttpResponse::State;

// Any bytes an address service may answer with, read as they come: the
// first byte sets the largest body allowed, the second where the answer is
// cut as if the rest had not arrived yet. The fetcher acts on the first
// verdict it gets, so what the bytes so far decide must stand once the rest
// has come; a closed connection always gets a verdict.
void fuzz(std::string_view input)
{
    if (input.size() < 2)
        return;
    const qsizetype maxBody = qsizetype(std::uint8_t(input[0])) * 4;
    const QByteArray received = bytes(input.substr(2));
    const qsizetype cut = received.size() * std::uint8_t(input[1]) / 255;

    const HttpResponse closed = address::parseHttpResponse(received, true, maxBody);
    FUZZ_CHECK(closed.state != State::Incomplete);
    FUZZ_CHECK(closed.state != State::Complete || closed.body.size() <= maxBody);

    const HttpResponse early = address::parseHttpResponse(received.first(cut), false, maxBody);
    if (early.state == State::Incomplete)
        return;
    const HttpResponse open = address::parseHttpResponse(received, false, maxBody);
    FUZZ_CHECK(open.state == early.state && open.status == early.status && open.body == early.body);
    FUZZ_CHECK(closed.state == early.state && closed.body == early.body);
}
