#pragma once

#include <QString>

namespace about {

// The payment page for a donation of 5 euros to the project's account:
// its keys and values are fixed, in this order, already encoded.
QString donationAddress();

} // namespace about
