#include "PageResponse.h"

#include <cstdio>

namespace ipd {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string_view reasonPhrase(Status status)
{
    switch (status) {
    case Status::Ok:
        return "OK";
    case Status::BadRequest:
        return "Bad Request";
    case Status::NotFound:
        return "Not Found";
    case Status::MethodNotAllowed:
        return "Method Not Allowed";
    case Status::HeaderTooLarge:
        return "Request Header Fields Too Large";
    }
    return "Error";
}

// The path of a request target, without the query; "" for an absolute form
// without one.
std::string_view targetPath(std::string_view target)
{
    // Absolute form: the scheme and authority are the proxy's business.
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
        if (target.size() >= scheme.size() &&
            equalsIgnoringCase(target.substr(0, scheme.size()), scheme)) {
            target.remove_prefix(scheme.size());
            const std::size_t slash = target.find_first_of("/?");
            if (slash == std::string_view::npos || target[slash] != '/')
                return {};
            target.remove_prefix(slash);
            break;
        }
    }
    return target.substr(0, target.find('?'));
}

} // namespace

bool isPagePath(std::string_view target)
{
    return targetPath(target) == kPagePath;
}

bool isPlainAddressPath(std::string_view target)
{
    const std::string_view path = targetPath(target);
    return path == "/" || path == "/ip";
}

Status routeRequest(Method method, std::string_view target)
{
    if (!isPagePath(target) && !isPlainAddressPath(target))
        return Status::NotFound;
    if (method == Method::Other)
        return Status::MethodNotAllowed;
    return Status::Ok;
}

namespace {

// The page around the address.
constexpr std::string_view kPageHead = "<!DOCTYPE html>\n<html><head><title>Your IP</title></head>"
                                       "<body>Your IP address is: <b>";
constexpr std::string_view kPageTail = "</b></body></html>\n";

} // namespace

std::string pageBody(std::string_view clientAddress)
{
    std::string body;
    body.reserve(kPageHead.size() + clientAddress.size() + kPageTail.size());
    body += kPageHead;
    body += clientAddress;
    body += kPageTail;
    return body;
}

void appendResponse(std::string &out, const ResponseParts &parts)
{
    const bool page = parts.status == Status::Ok && !parts.plainAddress;
    const bool plain = parts.status == Status::Ok && parts.plainAddress;
    const std::string_view reason = reasonPhrase(parts.status);
    // Error bodies are the reason phrase and a line end, the bare address
    // is the address and one.
    const std::size_t bodySize =
        page    ? kPageHead.size() + parts.clientAddress.size() + kPageTail.size()
        : plain ? parts.clientAddress.size() + 1
                : reason.size() + 1;

    // A server answers with the highest version it speaks, whatever the
    // client's; what an HTTP/1.0 client needs is the explicit keep-alive.
    out += "HTTP/1.1 ";
    out += std::to_string(static_cast<int>(parts.status));
    out += ' ';
    out += reason;
    out += "\r\nServer: quorvel-ipd\r\nDate: ";
    out += parts.date;
    out += page ? "\r\nContent-Type: text/html; charset=utf-8"
                : "\r\nContent-Type: text/plain; charset=utf-8";
    out += "\r\nContent-Length: ";
    out += std::to_string(bodySize);
    // The page states who asked; a cached copy would state someone else.
    out += "\r\nCache-Control: no-store\r\n";
    if (parts.status == Status::MethodNotAllowed)
        out += "Allow: GET, HEAD\r\n";
    if (!parts.keepAlive)
        out += "Connection: close\r\n";
    else if (parts.http10)
        out += "Connection: keep-alive\r\n";
    out += "\r\n";
    if (parts.method == Method::Head)
        return;
    if (page) {
        out += kPageHead;
        out += parts.clientAddress;
        out += kPageTail;
    } else if (plain) {
        out += parts.clientAddress;
        out += '\n';
    } else {
        out += reason;
        out += '\n';
    }
}

std::string httpDate(std::time_t t)
{
    static constexpr const char *kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[tm.tm_wday],
                  tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return text;
}

} // namespace ipd
