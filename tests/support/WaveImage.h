#pragma once

#include <QByteArray>
#include <QtEndian>
#include <cmath>

// Builds RIFF/WAVE images piece by piece, damaged ones included.
namespace wave {

inline QByteArray le(quint32 v, int bytes)
{
    QByteArray out(4, '\0');
    qToLittleEndian(v, out.data());
    return out.left(bytes);
}

// A chunk with its size (or the one given) and its pad byte.
inline QByteArray chunk(const QByteArray &id, const QByteArray &body, quint32 size = 0)
{
    return id + le(size ? size : quint32(body.size()), 4) + body + QByteArray(body.size() % 2, 0);
}

inline QByteArray format(int tag, int channels, int rate, int bits, int align = -1, int size = 16)
{
    const int block = align >= 0 ? align : channels * bits / 8;
    return chunk("fmt ", (le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * block, 4) +
                          le(block, 2) + le(bits, 2))
                             .left(size));
}

// The image around the chunks; sizeDelta makes its RIFF size lie.
inline QByteArray riff(const QByteArray &chunks, int sizeDelta = 0)
{
    return "RIFF" + le(quint32(chunks.size() + 4 + sizeDelta), 4) + "WAVE" + chunks;
}

// A steady 440 Hz tone, 16-bit mono.
inline QByteArray tone(double seconds, int rate)
{
    QByteArray samples;
    for (int i = 0; i < int(seconds * rate); ++i)
        samples += le(quint16(qint16(12000 * std::sin(2 * M_PI * 440 * i / rate))), 2);
    return riff(format(1, 1, rate, 16) + chunk("data", samples));
}

} // namespace wave
