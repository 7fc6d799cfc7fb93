#include "FuzzTarget.h"

#include "PcmImage.h"
#include "WaveFile.h"

// A sound file: its samples lie within it in whole frames, and the clean
// image made of them reads back to itself.
void fuzz(std::string_view input)
{
    const QByteArrayView image(input.data(), qsizetype(input.size()));
    const auto layout = settings::parseWave(image);
    if (!layout)
        return;
    const int frame = layout->channels * layout->bitsPerSample / 8;
    FUZZ_CHECK(frame > 0 && layout->offset >= 12 && layout->size % frame == 0 &&
               layout->size <= image.size() - layout->offset);
    const QByteArray clean = platform::pcmImage(image, *layout);
    const auto again = settings::parseWave(clean);
    FUZZ_CHECK(clean.isEmpty() || (again && platform::pcmImage(clean, *again) == clean &&
                                   clean.sliced(44) == image.sliced(layout->offset, layout->size)));
}
