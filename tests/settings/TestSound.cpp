#include "PcmImage.h"
#include "WaveFile.h"
#include "WaveImage.h"

#include <QtTest>
#include <vector>

using namespace wave;

const QByteArray kSamples(400, '\x11');

class TestSound : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QList<int>>("layout"); // channels, bits, offset, size

        const QByteArray pcm16 = format(1, 1, 22050, 16);
        const QByteArray data = chunk("data", kSamples);
        const auto accepted = [](const char *name, const QByteArray &image, QList<int> l) {
            QTest::newRow(name) << image << l;
        };
        accepted("16-bit mono", riff(pcm16 + data), {1, 16, 44, 400});
        accepted("8-bit stereo", riff(format(1, 2, 44100, 8) + data), {2, 8, 44, 400});
        accepted("odd chunk padded, skipped", riff(chunk("LIST", "abc") + pcm16 + data),
                 {1, 16, 56, 400});
        accepted("partial frame left out",
                 riff(format(1, 2, 8000, 16) + chunk("data", kSamples.left(7))), {2, 16, 44, 4});
        accepted("bytes after the RIFF size", riff(pcm16 + data) + "junk", {1, 16, 44, 400});
        const auto refused = [](const char *name, const QByteArray &image) {
            QTest::newRow(name) << image << QList<int>();
        };
        refused("empty", QByteArray());
        refused("not RIFF", "RIFX" + riff(pcm16 + data).mid(4));
        refused("not WAVE", riff(pcm16 + data).replace("WAVE", "AVI "));
        refused("RIFF size past the end", riff(pcm16 + data, 2));
        refused("data size past the end", riff(pcm16 + chunk("data", kSamples, 402)));
        refused("huge data size", riff(pcm16 + chunk("data", kSamples, 0xfffffff0)));
        refused("format cut short", riff(format(1, 1, 22050, 16, -1, 14) + data));
        refused("chunk header cut short", riff(pcm16 + data + "LIS"));
        refused("compressed", riff(format(2, 1, 22050, 16) + data));
        refused("24-bit", riff(format(1, 1, 22050, 24) + data));
        refused("three channels", riff(format(1, 3, 22050, 16) + data));
        refused("rate too low", riff(format(1, 1, 4000, 16) + data));
        refused("block size wrong", riff(format(1, 2, 22050, 16, 2) + data));
        refused("no data", riff(pcm16));
        refused("no format", riff(data));
    }

    void parse()
    {
        QFETCH(QByteArray, image);
        const auto l = settings::parseWave(image);
        QTEST((l ? QList<int>{l->channels, l->bitsPerSample, int(l->offset), int(l->size)}
                 : QList<int>()),
              "layout");
    }

    void cutImagesAreRefused()
    {
        // Each cut in a buffer of exactly its size, its RIFF size telling the
        // truth, so that only the chunks are cut short: a read past the end
        // is a sanitizer finding.
        const QByteArray full = riff(format(1, 1, 22050, 16) + chunk("data", kSamples));
        for (qsizetype n = 0; n < full.size(); ++n) {
            std::vector<char> cut(full.begin(), full.begin() + n);
            if (n >= 8)
                qToLittleEndian(quint32(n - 8), cut.data() + 4);
            QVERIFY(!settings::parseWave(QByteArrayView(cut.data(), n)));
        }
    }

    void playingTimeAndBounds()
    {
        const QByteArray image = riff(format(1, 1, 22050, 16) + chunk("data", kSamples));
        platform::PcmLayout layout = *settings::parseWave(image);
        QCOMPARE(platform::playingTimeMs(layout), 9); // 400 bytes, 16-bit mono, 22050 Hz
        layout.size += 1;
        QVERIFY(platform::pcmImage(image, layout).isEmpty());
        layout.channels = 0;
        QCOMPARE(platform::playingTimeMs(layout), 0);
    }
};

QTEST_GUILESS_MAIN(TestSound)
#include "TestSound.moc"
