#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace ipd {

// The path of the page; the program asks for nothing else.
inline constexpr std::string_view kPagePath = "/quorvel.php";

enum class Method
{
    Get,
    Head,
    Other,
};

// The statuses this server ever sends.
enum class Status
{
    Ok = 200,
    BadRequest = 400,
    NotFound = 404,
    MethodNotAllowed = 405,
    HeaderTooLarge = 431,
};

// Whether a request target names the page: the origin form
// ("/quorvel.php?x") or the absolute form ("http://host/quorvel.php") that
// proxies send. The query plays no part.
bool isPagePath(std::string_view target);

// Whether a request target asks for the bare address ("/" or "/ip", in
// either form, query ignored): what lists of plain address services expect,
// so this server can stand in one.
bool isPlainAddressPath(std::string_view target);

// 404 for any other path than the page's and the bare address's, whatever
// the method; 405 for those asked with anything but GET or HEAD.
Status routeRequest(Method method, std::string_view target);

// The page itself. The address sits alone inside a bold tag after the
// marker, which is what the program cuts out.
std::string pageBody(std::string_view clientAddress);

struct ResponseParts
{
    Status status = Status::Ok;
    Method method = Method::Get;
    // Shown on the page (Status::Ok only).
    std::string_view clientAddress;
    bool keepAlive = true;
    // HTTP/1.0 clients keep a connection only when told so.
    bool http10 = false;
    // The Date field's value, see httpDate().
    std::string_view date;
    // Status::Ok only: the bare address and a line end, as text/plain,
    // instead of the page.
    bool plainAddress = false;
};

// Appends the whole response, header and body, to out. HEAD gets the same
// header as GET without the body. Nothing may be cached: the page is about
// the connection that asked for it.
void appendResponse(std::string &out, const ResponseParts &parts);

// IMF-fixdate, the one form of HTTP date a server sends: "Sun, 06 Nov 1994
// 08:49:37 GMT".
std::string httpDate(std::time_t t);

} // namespace ipd
