#include "FuzzTarget.h"

#include "AddressServices.h"
#include "PublicIp.h"

using namespace address;

// Any answer of a web server: the cut text stands between a ">" and the next
// "<" but one after it; an address read from a service's answer is canonical.
void fuzz(std::string_view input)
{
    const QByteArray page = bytes(input);
    const QString cut = cutPublicIp(page);
    FUZZ_CHECK(cut == kUnableToParseIP ||
               (page.contains('>' + cut.toLatin1() + '<') && !cut.mid(1).contains(u'<')));
    const auto answer = addressFromAnswer(page);
    FUZZ_CHECK(!answer || (isCanonicalAddress(*answer) && page.contains(answer->toLatin1())));
}
