#include "FuzzTarget.h"

#include "ClientAddress.h"
#include "RequestParser.h"

#include <boost/asio/buffer.hpp>

using namespace ipd;

// A request header from anywhere, one part per read, read the way the
// server reads it (behind a proxy that names the client); the answer to it
// is one of ours, and the page shows the address chosen.
FUZZ_TARGET(input)
{
    RequestParser parser("X-Forwarded-For");
    parser.header_limit(8 * 1024);
    std::string received;
    boost::beast::error_code ec;
    for (std::string_view part : parts(input)) {
        received += part;
        if (received.empty()) // the server reads before it parses again
            continue;
        received.erase(0, parser.put(boost::asio::buffer(received), ec));
        if (ec != boost::beast::http::error::need_more)
            break;
    }
    if (ec || !parser.is_header_done())
        return;
    const Status route = parser.route();
    FUZZ_CHECK(route == Status::Ok || route == Status::NotFound ||
               route == Status::MethodNotAllowed);
    FUZZ_CHECK(!parser.keptValue() || parser.keptValue()->size() < input.size());
    const auto client =
        chooseClientAddress(*parseNumericAddress("10.0.0.1"), parser.keptValue(),
                            {*parseAddressRange("10.0.0.0/8")}, ProxyHeader::XForwardedFor);
    const std::string shown = client ? addressText(*client) : "";
    std::string response;
    appendResponse(response, {route, parser.method(), shown, true, parser.http10(),
                              "Sun, 06 Nov 1994 08:49:37 GMT", parser.plainAddress()});
    FUZZ_CHECK(response.starts_with("HTTP/1.1 ") &&
               (route != Status::Ok || parser.method() == Method::Head ||
                response.find(shown) != response.npos));
}
