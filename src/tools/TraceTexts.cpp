#include "TraceTexts.h"

#include "EchoTexts.h"

#include <cmath>

namespace tools {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kHopPrefix = QStringLiteral("Hop #\t");

} // namespace

CharsPerPacket clampCharsPerPacket(const QString &text)
{
    bool ok = false;
    double value = text.trimmed().toDouble(&ok);
    CharsPerPacket result{text, 0};
    if (!ok || !std::isfinite(value)) {
        result.shown = QString::number(kMinCharsPerPacket);
        value = kMinCharsPerPacket;
    }
    // Two steps, as typed: raised first, then lowered.
    if (value < kMinCharsPerPacket) {
        result.shown = QString::number(kMinCharsPerPacket);
        value = kMinCharsPerPacket;
    }
    if (value > kMaxCharsPerPacket) {
        result.shown = QString::number(kMaxCharsPerPacket);
        value = kMaxCharsPerPacket;
    }
    // The default rounding mode rounds halves to the even neighbour.
    result.count = int(std::nearbyint(value));
    return result;
}

QString hopTimeText(quint32 roundTripMs)
{
    if (roundTripMs < 10)
        return QStringLiteral("<10 ms");
    if (roundTripMs > 1200)
        return QStringLiteral("*");
    return QString::number(roundTripMs) + QStringLiteral(" ms");
}

QString hopLine(int hop, quint32 roundTripMs, const QString &address,
                const std::optional<QString> &name)
{
    QString line =
        kHopPrefix + QString::number(hop) + u'\t' + hopTimeText(roundTripMs) + u'\t' + address;
    if (name)
        line += u'\t' + *name;
    return line + kLineEnd;
}

QString silentHopLine(int hop)
{
    return kHopPrefix + QString::number(hop) + QStringLiteral("\t*\tRequest timed out.") + kLineEnd;
}

QString traceHeader(const QString &host)
{
    return QStringLiteral("Tracing Route to ") + host + u':' + kLineEnd + kLineEnd;
}

QString traceCompleteText()
{
    return kLineEnd + QStringLiteral("Trace Route Complete");
}

QString traceStoppedText(int status, const QString &address)
{
    QString text = kLineEnd + QStringLiteral("Trace Route Stopped: ") + statusText(status);
    if (!address.isEmpty())
        text += QStringLiteral(" from ") + address;
    return text;
}

QString silentRunStoppedText(int hops)
{
    return kLineEnd +
           QStringLiteral("Trace Route Stopped: no answer from %1 hops in a row").arg(hops);
}

} // namespace tools
