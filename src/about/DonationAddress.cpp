#include "DonationAddress.h"

namespace about {

QString donationAddress(const QString &host, const QString &account)
{
    return QStringLiteral("https://") + host + QStringLiteral("/cgi-bin/webscr?cmd=_xclick") +
           QStringLiteral("&business=") + account +
           QStringLiteral("&item_name=Donate%20for%20Quorvel&item_number=4&amount=5%2e00"
                          "&no_shipping=0&no_note=1&tax=0&currency_code=EUR&lc=IT"
                          "&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

} // namespace about
