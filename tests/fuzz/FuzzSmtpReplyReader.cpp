#include "FuzzTarget.h"

#include "SmtpReplyReader.h"

using mail::SmtpReplyReader;

// A server's bytes, one part per read: every reply that comes out is whole,
// of one code, and within the reader's limits; after an error, nothing.
FUZZ_TARGET(input)
{
    SmtpReplyReader reader;
    for (std::string_view part : parts(input)) {
        const bool failed = !reader.error().isEmpty();
        for (const mail::SmtpReply &reply : reader.feed(bytes(part))) {
            FUZZ_CHECK(!failed && !reply.lines.isEmpty() &&
                       reply.lines.size() <= SmtpReplyReader::kMaxReplyLines);
            FUZZ_CHECK(reply.code == 0 ? reply.lines.size() == 1
                                       : reply.code >= 200 && reply.code < 600);
            for (const QString &line : reply.lines)
                FUZZ_CHECK(line.size() <= SmtpReplyReader::kMaxLineBytes &&
                           (reply.code == 0 || mail::replyCode(line) == reply.code));
        }
    }
}
