#include "FuzzTarget.h"

#include "AddressServices.h"
#include "PublicIp.h"

using namespace address;

// Whatever a web server sends for the page or a service's answer, and the
// same text as the host and service settings.
FUZZ_TARGET(input)
{
    const QByteArray page = bytes(input);
    // The cut text lies between a ">" and the next "<" but one after it.
    const QString cut = cutPublicIp(page);
    FUZZ_CHECK(cut == kUnableToParseIP ||
               (page.contains('>' + cut.toLatin1() + '<') && !cut.mid(1).contains(u'<')));
    const auto answer = addressFromAnswer(page);
    FUZZ_CHECK(!answer || (isCanonicalAddress(*answer) && page.contains(answer->toLatin1())));
    const QUrl url = publicIpPageUrl(QString::fromUtf8(page));
    FUZZ_CHECK(url.isEmpty() || (url.path() == "/quorvel.php" && !url.host().isEmpty()));
    for (const QUrl &service : parseServiceList(QString::fromUtf8(page)))
        FUZZ_CHECK(service.scheme().startsWith("http") && !service.host().isEmpty());
}
