#include "FuzzTarget.h"

#include "PcmImage.h"
#include "WaveFile.h"

// A sound file as the user picked it: its samples lie within it in whole
// frames, and the clean image made of them reads back the same.
FUZZ_TARGET(input)
{
    const QByteArrayView image(input.data(), qsizetype(input.size()));
    const auto layout = settings::parseWave(image);
    if (!layout)
        return;
    const int frame = layout->channels * layout->bitsPerSample / 8;
    FUZZ_CHECK(frame > 0 && layout->offset >= 12 && layout->size % frame == 0 &&
               layout->size <= image.size() - layout->offset);
    const QByteArray clean = platform::pcmImage(image, *layout);
    if (clean.isEmpty())
        return;
    const auto again = settings::parseWave(clean);
    FUZZ_CHECK(again && again->offset == 44 && again->size == layout->size &&
               again->channels == layout->channels && again->sampleRate == layout->sampleRate &&
               again->bitsPerSample == layout->bitsPerSample &&
               clean.sliced(44) == image.sliced(layout->offset, layout->size));
    FUZZ_CHECK(platform::playingTimeMs(*layout) ==
               layout->size * 1000 / frame / layout->sampleRate);
}
