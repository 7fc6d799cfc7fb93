#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace address {

// Where one refresh asks for the public address.
struct ServiceChoice
{
    // A host of one's own ("IP Service Host"): only http://HOST/quorvel.php
    // is asked, and nothing else is ever tried.
    QString host;
    // Otherwise these, one after the other until one states an address.
    QList<QUrl> services;

    friend bool operator==(const ServiceChoice &, const ServiceChoice &) = default;
};

// Well-known public services that answer with the caller's address as plain
// text over HTTPS, run by three unrelated operators so that one being down,
// blocked or gone never leaves the user without an address. All three
// answer over IPv4 only: were one to answer over IPv6, a machine with both
// would see its address flip between the two from one refresh to the next,
// and every flip would be announced as a change.
QList<QUrl> builtInServices();

// The same for the IPv6 address: services of three more unrelated operators
// that answer over IPv6 only, so the address they see is always the IPv6
// one.
QList<QUrl> builtInIpv6Services();

// The "IP Services" setting: web addresses separated by commas, blanks
// around them ignored. Only http and https addresses with a host are kept.
QList<QUrl> parseServiceList(const QString &text);

// The settings "IP Service Host" and "IP Services" as one choice. With no
// host and no list the built-in services are asked. A list that holds
// nothing usable stays empty rather than falling back on the built-in
// services: whoever wrote it did not want those asked.
ServiceChoice chooseServices(const QString &host, const QString &servicesText);

// Where the IPv6 address is asked, over IPv6 only: the list in "IP Services
// IPv6" when there is one (a list holding nothing usable asks nothing, which
// switches IPv6 off); otherwise the same place as the IPv4 address, so that
// someone who chose their own host or services never has the built-in ones
// asked; with nothing configured, the built-in IPv6 services.
ServiceChoice chooseIpv6Services(const QString &host, const QString &servicesText,
                                 const QString &ipv6ServicesText);

// The page the browser shows through the translation service: the
// configured host's page, or the first service of the list. Invalid when
// there is neither.
QUrl serviceStartUrl(const ServiceChoice &choice);

// The services in the order one refresh asks them: turn picks the first and
// the rest follow in list order, so successive turns spread the refreshes
// over every service.
QList<QUrl> servicesForTurn(const QList<QUrl> &services, quint32 turn);

// An IPv4 or IPv6 address exactly as it is normally written ("192.0.2.7",
// "2001:db8::7"): no leading zeros, short forms, upper case or zone.
bool isCanonicalAddress(const QString &text);

// The address a service's answer states: the whole body, or, on a page
// with "Your IP address is:", the text the cut rule takes; either counts
// only when, trimmed, it is a canonical address. An HTML error page, a
// captive portal's page or an empty body state none.
std::optional<QString> addressFromAnswer(const QByteArray &body);

// One service asked during a refresh and what came of it ("refused",
// "timed out after 5 s", "status 500", "not an address", ...).
struct ServiceAttempt
{
    QString service; // the web address asked
    QString outcome;
};

// Why no address could be read ("The public address could not be read:",
// what naming the family asked for), then one line per service asked, in
// the order they were asked.
QString explainAttempts(const QList<ServiceAttempt> &attempts,
                        const QString &what = QStringLiteral("public address"));

} // namespace address
