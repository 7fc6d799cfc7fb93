#include "RequestParser.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>

namespace ipd {

void RequestParser::on_request_impl(verb method, string_view, string_view target, int version,
                                    error_code &)
{
    // Routed at once: the target need not be kept.
    m_method = method == verb::get    ? Method::Get
               : method == verb::head ? Method::Head
                                      : Method::Other;
    m_route = routeRequest(m_method, target);
    m_plainAddress = isPlainAddressPath(target);
    m_http10 = version == 10;
}

void RequestParser::on_field_impl(field name, string_view nameText, string_view value,
                                  error_code &ec)
{
    namespace http = boost::beast::http;
    if (++m_fields > kMaxHeaderFields) {
        ec = http::error::header_limit;
    } else if (name == field::transfer_encoding) {
        ec = http::error::bad_transfer_encoding;
    } else if (!m_keptField.empty() && boost::beast::iequals(nameText, m_keptField)) {
        if (m_keptValue)
            *m_keptValue += ',';
        else
            m_keptValue.emplace();
        m_keptValue->append(value);
    }
}

} // namespace ipd
