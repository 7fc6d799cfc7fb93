#include "Counters.h"

namespace ipd {

Counters &Counters::operator+=(const Counters &o)
{
    accepted += o.accepted;
    evicted += o.evicted;
    acceptErrors += o.acceptErrors;
    ok += o.ok;
    notFound += o.notFound;
    notAllowed += o.notAllowed;
    badRequest += o.badRequest;
    tooLarge += o.tooLarge;
    timedOut += o.timedOut;
    return *this;
}

Counters Counters::operator-(const Counters &e) const
{
    Counters d;
    d.accepted = accepted - e.accepted;
    d.evicted = evicted - e.evicted;
    d.acceptErrors = acceptErrors - e.acceptErrors;
    d.ok = ok - e.ok;
    d.notFound = notFound - e.notFound;
    d.notAllowed = notAllowed - e.notAllowed;
    d.badRequest = badRequest - e.badRequest;
    d.tooLarge = tooLarge - e.tooLarge;
    d.timedOut = timedOut - e.timedOut;
    return d;
}

std::string formatCountersLine(const Counters &d, std::uint64_t openConnections,
                               std::chrono::seconds interval)
{
    // Every answer the server sent counts as a request; timeouts and
    // evictions got none.
    const std::uint64_t requests = d.ok + d.notFound + d.notAllowed + d.badRequest + d.tooLarge;
    std::string line = "last " + std::to_string(interval.count()) + "s:";
    auto field = [&line](const char *name, std::uint64_t value) {
        line += ' ';
        line += name;
        line += '=';
        line += std::to_string(value);
    };
    field("requests", requests);
    field("ok", d.ok);
    field("not_found", d.notFound);
    field("not_allowed", d.notAllowed);
    field("bad_request", d.badRequest);
    field("too_large", d.tooLarge);
    field("timed_out", d.timedOut);
    field("accepted", d.accepted);
    field("evicted", d.evicted);
    field("accept_errors", d.acceptErrors);
    field("open", openConnections);
    return line;
}

} // namespace ipd
