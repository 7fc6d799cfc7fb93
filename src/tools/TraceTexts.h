#pragma once

#include <QString>
#include <optional>

namespace tools {

// Bounds of the request data of a trace, in characters.
inline constexpr int kMinCharsPerPacket = 32;
inline constexpr int kMaxCharsPerPacket = 128;

struct CharsPerPacket
{
    QString shown; // what the field shows once the trace has started
    int count = kMinCharsPerPacket;
};

// A number below 32 becomes "32", above 128 "128", anything that is not a
// number "32"; a number in range stays as typed. The count is the number
// rounded to the nearest whole one, halves to the even neighbour.
CharsPerPacket clampCharsPerPacket(const QString &text);

// "<10 ms" below 10, "*" above 1200, otherwise "N ms".
QString hopTimeText(quint32 roundTripMs);

// "Hop #", the hop, the time and the address, tab-separated; with a name
// (also an empty one) one more tab and the name. Ends with CR LF.
QString hopLine(int hop, quint32 roundTripMs, const QString &address,
                const std::optional<QString> &name);

// The line of a hop that did not answer in time.
QString silentHopLine(int hop);

// What the listing starts with: "Tracing Route to HOST:" and an empty line.
QString traceHeader(const QString &host);

// What ends the listing once the destination has answered.
QString traceCompleteText();

// What ends the listing when the route ends short of the destination: a
// router says it cannot go on, or the request could not be sent at all
// (then there is no address).
QString traceStoppedText(int status, const QString &address);

// What ends the listing after a run of hops that did not answer, with
// nothing beyond them answering either.
QString silentRunStoppedText(int hops);

} // namespace tools
