#include "WaveFile.h"

namespace settings {

namespace {

constexpr qsizetype kChunkHeader = 8;
constexpr qsizetype kPcmFormatSize = 16;
constexpr quint16 kFormatPcm = 1;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;

quint32 le32(QByteArrayView bytes, qsizetype at)
{
    const auto b = [&](qsizetype i) { return quint32(quint8(bytes[at + i])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

quint16 le16(QByteArrayView bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8));
}

} // namespace

std::optional<platform::PcmLayout> parseWave(QByteArrayView image)
{
    if (image.size() < 12 || image.first(4) != "RIFF" || image.sliced(8, 4) != "WAVE")
        return std::nullopt;
    // The RIFF size counts everything after its own field; bytes beyond it
    // are not part of the sound, and a size beyond the image means the file
    // was cut.
    const quint32 riffSize = le32(image, 4);
    if (riffSize < 4 || riffSize > quint64(image.size() - 8))
        return std::nullopt;
    const QByteArrayView body = image.first(8 + qsizetype(riffSize));

    platform::PcmLayout layout;
    bool haveFormat = false;
    bool haveData = false;
    qsizetype at = 12;
    while (body.size() - at >= kChunkHeader) {
        const QByteArrayView id = body.sliced(at, 4);
        const quint32 size = le32(body, at + 4);
        at += kChunkHeader;
        if (size > quint64(body.size() - at))
            return std::nullopt;
        if (id == "fmt ") {
            if (haveFormat || size < kPcmFormatSize)
                return std::nullopt;
            const quint16 tag = le16(body, at);
            layout.channels = le16(body, at + 2);
            const quint32 rate = le32(body, at + 4);
            const quint16 blockAlign = le16(body, at + 12);
            layout.bitsPerSample = le16(body, at + 14);
            if (tag != kFormatPcm || (layout.channels != 1 && layout.channels != 2) ||
                (layout.bitsPerSample != 8 && layout.bitsPerSample != 16) || rate < kMinRate ||
                rate > kMaxRate || blockAlign != layout.channels * layout.bitsPerSample / 8)
                return std::nullopt;
            layout.sampleRate = int(rate);
            haveFormat = true;
        } else if (id == "data" && !haveData) {
            layout.offset = at;
            layout.size = qsizetype(size);
            haveData = true;
        }
        // Chunks start on even offsets; the pad byte after an odd chunk may
        // be missing at the very end.
        at += qsizetype(size) + (size & 1);
    }
    // A few bytes left over are a chunk header cut short.
    if (at < body.size() || !haveFormat || !haveData)
        return std::nullopt;
    const int frameBytes = layout.channels * layout.bitsPerSample / 8;
    layout.size -= layout.size % frameBytes;
    return layout;
}

} // namespace settings
