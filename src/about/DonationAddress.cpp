#include "DonationAddress.h"

namespace about {

namespace {
// Where the donation button leads and who receives the money.
constexpr QLatin1StringView kHost{"www.paypal.com"};
constexpr QLatin1StringView kAccount{"donate@quorvel.example"};
} // namespace

QString donationAddress()
{
    return QStringLiteral("https://") + kHost + QStringLiteral("/cgi-bin/webscr?cmd=_xclick") +
           QStringLiteral("&business=") + kAccount +
           QStringLiteral("&item_name=Donate%20for%20Quorvel&item_number=4&amount=5%2e00"
                          "&no_shipping=0&no_note=1&tax=0&currency_code=EUR&lc=IT"
                          "&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

} // namespace about
