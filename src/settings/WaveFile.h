#pragma once

#include "SoundBackend.h"

#include <QByteArrayView>
#include <optional>

namespace settings {

// Reads the layout of a RIFF/WAVE image held in memory: uncompressed PCM,
// 8 or 16 bits, mono or stereo, 8000 to 192000 frames per second. Anything
// else, and any image whose chunks are cut short or claim more bytes than
// there are, is refused with nothing; the image is never read beyond its
// end. Chunks other than "fmt " and "data" are skipped; a partial frame at
// the end of the samples is left out.
std::optional<platform::PcmLayout> parseWave(QByteArrayView image);

} // namespace settings
