#include "PcmImage.h"

#include <QtEndian>

namespace platform {

namespace {

constexpr quint16 kPcmFormat = 1;
constexpr qsizetype kHeaderSize = 44;

void putLittle16(QByteArray &image, qsizetype at, quint16 value)
{
    qToLittleEndian(value, image.data() + at);
}

void putLittle32(QByteArray &image, qsizetype at, quint32 value)
{
    qToLittleEndian(value, image.data() + at);
}

int bytesPerFrame(const PcmLayout &layout)
{
    return layout.channels * (layout.bitsPerSample / 8);
}

bool fits(QByteArrayView image, const PcmLayout &layout)
{
    return bytesPerFrame(layout) > 0 && layout.sampleRate > 0 && layout.offset >= 0 &&
           layout.size > 0 && layout.offset <= image.size() &&
           layout.size <= image.size() - layout.offset &&
           layout.size <= qsizetype(0xFFFFFFFF) - kHeaderSize;
}

} // namespace

QByteArray pcmImage(QByteArrayView image, const PcmLayout &layout)
{
    if (!fits(image, layout))
        return QByteArray();
    const int frame = bytesPerFrame(layout);
    QByteArray out(kHeaderSize, '\0');
    out.replace(0, 4, "RIFF");
    putLittle32(out, 4, quint32(kHeaderSize - 8 + layout.size));
    out.replace(8, 8, "WAVEfmt ");
    putLittle32(out, 16, 16);
    putLittle16(out, 20, kPcmFormat);
    putLittle16(out, 22, quint16(layout.channels));
    putLittle32(out, 24, quint32(layout.sampleRate));
    putLittle32(out, 28, quint32(layout.sampleRate) * quint32(frame));
    putLittle16(out, 32, quint16(frame));
    putLittle16(out, 34, quint16(layout.bitsPerSample));
    out.replace(36, 4, "data");
    putLittle32(out, 40, quint32(layout.size));
    out.append(image.sliced(layout.offset, layout.size));
    return out;
}

qint64 playingTimeMs(const PcmLayout &layout)
{
    const qint64 bytesPerSecond = qint64(bytesPerFrame(layout)) * layout.sampleRate;
    return bytesPerSecond > 0 && layout.size > 0 ? layout.size * 1000 / bytesPerSecond : 0;
}

} // namespace platform
