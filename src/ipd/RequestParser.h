#pragma once

#include "PageResponse.h"

#include <boost/beast/http/basic_parser.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ipd {

// Fields one request header may have. Browsers send about a dozen and each
// proxy on the way adds one or two; Apache's LimitRequestFields has the same
// default. Past it the request is answered 431.
inline constexpr std::size_t kMaxHeaderFields = 100;

// Reads one request header and keeps only what the answer depends on: the
// method, whether the target is the page (or the bare address), the version, and the one field a
// trusted proxy names the client in. Nothing is kept per field, so a header
// of two thousand tiny fields costs no more than one of a few long ones.
// Any Transfer-Encoding is an error: the page takes no body, so no coding of
// one can be right, and a body read as "none" would pass for the next request.
class RequestParser final : public boost::beast::http::basic_parser<true>
{
public:
    // keptField: the field whose values are kept, every line of it joined
    // with commas as one list; empty keeps none.
    explicit RequestParser(std::string_view keptField = {}) : m_keptField(keptField) {}

    Method method() const { return m_method; }
    // 200 for the page, otherwise 404 or 405.
    Status route() const { return m_route; }
    bool http10() const { return m_http10; }
    // The target asks for the bare address rather than the page.
    bool plainAddress() const { return m_plainAddress; }
    // The kept field's lines, joined; nullopt when the header had none.
    const std::optional<std::string> &keptValue() const { return m_keptValue; }

private:
    using error_code = boost::beast::error_code;
    using field = boost::beast::http::field;
    using verb = boost::beast::http::verb;
    using string_view = boost::beast::string_view;

    void on_request_impl(verb method, string_view, string_view target, int version,
                         error_code &) override;
    void on_response_impl(int, string_view, int, error_code &) override {}
    void on_field_impl(field name, string_view nameText, string_view value,
                       error_code &ec) override;
    void on_header_impl(error_code &) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t> &, error_code &) override {}
    // The body is never read: only the header is parsed.
    std::size_t on_body_impl(string_view body, error_code &) override { return body.size(); }
    void on_chunk_header_impl(std::uint64_t, string_view, error_code &) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, string_view body, error_code &) override
    {
        return body.size();
    }
    void on_finish_impl(error_code &) override {}

    std::string_view m_keptField;
    std::optional<std::string> m_keptValue;
    std::size_t m_fields = 0;
    Method m_method = Method::Other;
    Status m_route = Status::NotFound;
    bool m_http10 = false;
    bool m_plainAddress = false;
};

} // namespace ipd
