#include "FuzzTarget.h"

#include "SmtpReplyReader.h"

using mail::SmtpReplyReader;

// A server's reads: replies come out whole, of one code, within the limits;
// after an error, nothing.
void fuzz(std::string_view input)
{
    SmtpReplyReader reader;
    for (std::string_view part : parts(input)) {
        const bool failed = !reader.error().isEmpty();
        for (const mail::SmtpReply &reply : reader.feed(bytes(part))) {
            FUZZ_CHECK(!failed && reply.lines.size() <= SmtpReplyReader::kMaxReplyLines &&
                       (reply.code == 0 ? reply.lines.size() == 1
                                        : reply.code >= 200 && reply.code < 600));
            for (const QString &line : reply.lines)
                FUZZ_CHECK(line.size() <= SmtpReplyReader::kMaxLineBytes &&
                           (reply.code == 0 || mail::replyCode(line) == reply.code));
        }
    }
}
