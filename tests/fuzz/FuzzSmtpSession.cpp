#include "FuzzTarget.h"

#include "SmtpSession.h"

using namespace mail;

// The first byte chooses the settings, then come the server's reads; an
// empty one is a time-out. The session ends, sends the password and the
// message only where it may, and calls no mail sent that was not taken.
void fuzz(std::string_view input)
{
    const uchar choice = input.empty() ? 0 : uchar(input[0]);
    const QByteArray message = "Subject: s\r\n\r\nbody\r\n.\r\n";
    SmtpSession session({"client.test", "mail.test:25", "me@example.net", "you@example.net", "me",
                         choice & 1 ? "" : "pw", message, bool(choice & 2), bool(choice & 4),
                         bool(choice & 8), bool(choice & 16)});
    bool encrypted = choice & 4, closed = false;
    int sends = 0, outcomes = 0;
    QByteArray sent, heard; // our last command and what came after it
    std::function<void(const SmtpStep &)> apply = [&](const SmtpStep &step) {
        outcomes += step.finished;
        FUZZ_CHECK(outcomes <= 1 && (!step.success || (sent == message && heard.startsWith('2'))));
        if (!step.send.isEmpty()) {
            // At most proxy, EHLO, STARTTLS, EHLO, AUTH, user, password,
            // MAIL, RCPT, DATA, message, QUIT.
            FUZZ_CHECK(++sends <= 12 &&
                       (step.send != message || (sent == "DATA\r\n" && heard.startsWith("354") &&
                                                 (encrypted || !(choice & 8)))));
            if (step.send.contains("cHc=") || step.send.contains("AG1lAHB3")) // the password
                FUZZ_CHECK(encrypted || (choice & 16 && !(choice & 8)));
            sent = step.send;
            heard.clear();
        }
        closed = step.close;
        if (step.startTls) {
            FUZZ_CHECK(!encrypted);
            encrypted = !(choice & 32); // else the handshake fails
            heard.clear();
            apply(encrypted ? session.encryptionStarted() : session.abandon("handshake"));
        }
    };
    for (std::string_view part : parts(input.substr(input.empty() ? 0 : 1))) {
        if (closed)
            break;
        heard += bytes(part);
        apply(part.empty() ? session.abandon("time-out") : session.feed(bytes(part)));
    }
    // Out of patience with the server, then with its answer to QUIT.
    for (int i = 0; i < 2 && !closed; ++i)
        apply(session.abandon("time-out"));
    FUZZ_CHECK(closed && outcomes == 1);
}
