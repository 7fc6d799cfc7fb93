#include "FuzzTarget.h"

#include "ClientAddress.h"
#include "RequestParser.h"

#include <boost/asio/buffer.hpp>

using namespace ipd;

// A request header in reads, parsed as the server does behind a proxy: the
// route is one of ours, and the page shows the address chosen.
void fuzz(std::string_view input)
{
    RequestParser parser("X-Forwarded-For");
    parser.header_limit(8 * 1024);
    std::string received;
    boost::beast::error_code ec;
    for (std::string_view part : parts(input)) {
        received += part;
        if (received.empty()) // Beast reads before it parses again
            continue;
        received.erase(0, parser.put(boost::asio::buffer(received), ec));
        if (ec != boost::beast::http::error::need_more)
            break;
    }
    if (ec || !parser.is_header_done())
        return;
    const Status route = parser.route();
    const auto client =
        chooseClientAddress(*parseNumericAddress("10.0.0.1"), parser.keptValue(),
                            {*parseAddressRange("10.0.0.0/8")}, ProxyHeader::XForwardedFor);
    std::string page, shown = client ? addressText(*client) : "";
    appendResponse(page, {route, parser.method(), shown, true, parser.http10(), "date",
                          parser.plainAddress()});
    FUZZ_CHECK(route == Status::Ok || route == Status::NotFound ||
               route == Status::MethodNotAllowed);
    FUZZ_CHECK(route != Status::Ok || parser.method() == Method::Head ||
               page.find(shown) != page.npos);
}
