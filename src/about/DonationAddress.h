#pragma once

#include <QLatin1StringView>
#include <QString>

namespace about {

// Where the donation button leads and who receives the money.
inline constexpr QLatin1StringView kDonationHost{"www.paypal.com"};
inline constexpr QLatin1StringView kDonationAccount{"donate@quorvel.example"};

// The payment page for a donation of 5 euros to account: its keys and
// values are fixed, in this order, already encoded.
QString donationAddress(const QString &host, const QString &account);

} // namespace about
