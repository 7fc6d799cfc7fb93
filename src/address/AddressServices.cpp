#include "AddressServices.h"

#include "PublicIp.h"

#include <QHostAddress>

namespace address {

QList<QUrl> builtInServices()
{
    return {QUrl(QStringLiteral("https://api.ipify.org/")),
            QUrl(QStringLiteral("https://ipv4.icanhazip.com/")),
            QUrl(QStringLiteral("https://checkip.amazonaws.com/"))};
}

QList<QUrl> builtInIpv6Services()
{
    return {QUrl(QStringLiteral("https://api6.ipify.org/")),
            QUrl(QStringLiteral("https://ipv6.icanhazip.com/")),
            QUrl(QStringLiteral("https://v6.ident.me/"))};
}

QList<QUrl> parseServiceList(const QString &text)
{
    QList<QUrl> services;
    for (const QString &entry : text.split(u',')) {
        const QUrl url(entry.trimmed(), QUrl::StrictMode);
        if (url.isValid() && !url.host().isEmpty() &&
            (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")))
            services.append(url);
    }
    return services;
}

ServiceChoice chooseServices(const QString &host, const QString &servicesText)
{
    if (!host.trimmed().isEmpty())
        return {host.trimmed(), {}};
    if (servicesText.trimmed().isEmpty())
        return {QString(), builtInServices()};
    return {QString(), parseServiceList(servicesText)};
}

ServiceChoice chooseIpv6Services(const QString &host, const QString &servicesText,
                                 const QString &ipv6ServicesText)
{
    if (!ipv6ServicesText.trimmed().isEmpty())
        return {QString(), parseServiceList(ipv6ServicesText)};
    if (host.trimmed().isEmpty() && servicesText.trimmed().isEmpty())
        return {QString(), builtInIpv6Services()};
    return chooseServices(host, servicesText);
}

QUrl serviceStartUrl(const ServiceChoice &choice)
{
    if (!choice.host.isEmpty())
        return publicIpPageUrl(choice.host);
    return choice.services.value(0);
}

QList<QUrl> servicesForTurn(const QList<QUrl> &services, quint32 turn)
{
    if (services.isEmpty())
        return services;
    const qsizetype first = qsizetype(turn % quint32(services.size()));
    return services.mid(first) + services.first(first);
}

bool isCanonicalAddress(const QString &text)
{
    QHostAddress address;
    // Qt also reads "1.2.3" and "01.2.3.4" as addresses; what it writes
    // back is the one form a service sends.
    return address.setAddress(text) && address.scopeId().isEmpty() && address.toString() == text;
}

std::optional<QString> addressFromAnswer(const QByteArray &body)
{
    const QString text =
        (body.contains(kMarker) ? cutPublicIp(body) : QString::fromLatin1(body)).trimmed();
    if (!isCanonicalAddress(text))
        return std::nullopt;
    return text;
}

QString explainAttempts(const QList<ServiceAttempt> &attempts, const QString &what)
{
    QString text = QStringLiteral("The ") + what + QStringLiteral(" could not be read:");
    if (attempts.isEmpty())
        text += QStringLiteral("\nno service to ask (\"IP Services\" holds no web address)");
    for (const ServiceAttempt &a : attempts)
        text += u'\n' + a.service + QStringLiteral(": ") + a.outcome;
    return text;
}

} // namespace address
