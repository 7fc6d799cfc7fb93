#include "FakeAddressSource.h"
#include "MainWindow.h"
#include "RecordingTrayShell.h"
#include "SoundPlayer.h"
#include "TestEnvironment.h"
#include "WaveImage.h"

#include <QtTest>
#include <csignal>
#include <sys/prctl.h>

constexpr int kRate = 22050;

// Sound on a real audio server: PulseAudio with a null sink, whose monitor
// parec records, so the test hears what the program played.
class TestSoundPlayback : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pulse/native";
        qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
        // The server goes with the test, even when the test crashes.
        server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        server.start("pulseaudio",
                     {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                      "--load=module-null-sink sink_name=nullsink",
                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        QVERIFY2(server.waitForStarted(5000), "pulseaudio is missing (run scripts/setup)");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 10000);
    }

    void cleanupTestCase() { server.kill(), server.waitForFinished(); }

    void addressChangePlaysTheChosenSound()
    {
        QTemporaryFile file;
        // The blanks around the image are trimmed away when it is loaded.
        QVERIFY(file.open() && file.write("  " + wave::tone(0.5, kRate) + "  ") && file.flush());
        env.writeSettingsFile("[Settings]\nHome%20Page=http://127.0.0.1:9/\nPlay%20Sound=1\nFile=" +
                              file.fileName().toUtf8() + "\n");
        auto *source = new FakeAddressSource;
        source->script = {FakeAddressSource::snapshot("203.0.113.7")};
        app::MainWindow window({source, new RecordingTrayShell});
        startRecording();
        QSignalSpy refreshed(&window, &app::MainWindow::refreshFinished);
        window.load(); // the first refresh of a run is a change
        QVERIFY(refreshed.wait(3000));
        QTest::qWait(1000);
        const double heard = heardSeconds();
        QVERIFY2(heard >= 0.45 && heard <= 0.55, qPrintable(QString::number(heard)));
    }

    void secondPlayCutsTheFirstOff()
    {
        settings::SoundPlayer player;
        player.setSound(1, wave::tone(1.0, kRate));
        startRecording();
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        player.play(1);
        QVERIFY2(QDateTime::currentMSecsSinceEpoch() - start < 500, "play() waited for the sound");
        QTest::qWait(400);
        player.play(1);
        QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 5000);
        // Both whole would be two seconds; the first cut off, about 1.4.
        const double heard = heardSeconds();
        QVERIFY2(heard >= 1.25 && heard <= 1.6, qPrintable(QString::number(heard)));
    }

private:
    void startRecording()
    {
        recorder.start("parec",
                       {"-d", "nullsink.monitor", "--raw", "--format=s16le", "--channels=1",
                        "--rate=" + QString::number(kRate), "--latency-msec=20"});
        QVERIFY2(recorder.waitForStarted(5000), "parec is missing (run scripts/setup)");
        // Sound only counts once the recording runs: silence has arrived.
        QTRY_VERIFY_WITH_TIMEOUT(recorder.bytesAvailable() > kRate / 5, 5000);
    }

    // How long the recording was loud: the part of a 440 Hz tone louder
    // than a quarter of its peak is 84 % of it (an underrun on a busy
    // machine would only add silence).
    double heardSeconds()
    {
        QTest::qWait(300);
        recorder.terminate();
        recorder.waitForFinished(5000);
        const QByteArray pcm = recorder.readAllStandardOutput();
        int loud = 0;
        for (qsizetype i = 0; i + 1 < pcm.size(); i += 2)
            loud += std::abs(qFromLittleEndian<qint16>(pcm.constData() + i)) > 3000;
        return loud / (0.8391 * kRate);
    }

    TestEnvironment env; // first: the server lives in its runtime folder
    QProcess server;
    QProcess recorder;
};

QTEST_MAIN(TestSoundPlayback)
#include "TestSoundPlayback.moc"
