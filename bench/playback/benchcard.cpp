#include "benchcard.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

#include <cstdio>

namespace BenchCard {

namespace {

// A stretch of the Swiss drive at 60 knots and more: the marker moves every second.
constexpr int kFirstLogLine = 600;

QByteArray DriveLog(int nRecords)
{
    QFile drive(QStringLiteral(DERUZIZ_TEST_DATA_DIR "/gps/switzerland-car-1hz.log"));
    if (!drive.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray log;
    for (int nLine = 1; !drive.atEnd() && nLine < kFirstLogLine + nRecords; ++nLine) {
        const QByteArray line = drive.readLine();
        if (nLine >= kFirstLogLine)
            log += line;
    }
    return log;
}

bool Link(const QString& from, const QString& to)
{
    QFile::remove(to);
    // A hard link keeps the clip a regular file of its own name, as on a card.
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::copy(from, to);
}

} // namespace

QString Recording(const CClipSpec& spec)
{
    const QString dir = QStringLiteral(DERUZIZ_BINARY_DIR "/bench/playback-clips");
    QDir().mkpath(dir);
    const QString path = QStringLiteral("%1/H264_%2x%3_%4s.MOV").arg(dir).arg(spec.nWidth).arg(spec.nHeight).arg(spec.nSeconds);
    if (QFile::exists(path))
        return path;
    std::fprintf(stderr, "making %s with ffmpeg (once; a few minutes)\n", qPrintable(path));
    const QString duration = QString::number(spec.nSeconds);
    const QString size = QStringLiteral("%1x%2").arg(spec.nWidth).arg(spec.nHeight);
    // Moving colour patterns under fine noise encode at the bit rate of a camcorder's 1080p
    // recording (about 12 Mbit/s), which a still test picture would not reach.
    const QStringList args = {
        "-y", "-loglevel", "error",
        "-f", "lavfi", "-i", "testsrc2=size=" + size + ":rate=30:duration=" + duration,
        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=" + duration,
        "-vf", "noise=alls=12:allf=t",
        "-c:v", "libx264", "-preset", "veryfast", "-profile:v", "high", "-pix_fmt", "yuv420p",
        "-b:v", "12M", "-maxrate", "12M", "-bufsize", "24M",
        "-c:a", "aac", "-b:a", "128k", "-ac", "2",
        "-f", "mov", path + ".part"};
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(30 * 60 * 1000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0 || !QFile::rename(path + ".part", path)) {
        std::fprintf(stderr, "ffmpeg could not make %s\n", qPrintable(path));
        return QString();
    }
    return path;
}

QStringList MakeCard(const QString& scratch, const CClipSpec& spec, int nClips)
{
    const QString recording = Recording(spec);
    if (recording.isEmpty())
        return {};
    const QString clips = scratch + QStringLiteral("/card/DCIM/100MEDIA");
    const QString logs = scratch + QStringLiteral("/card/GPS");
    QDir().mkpath(clips);
    QDir().mkpath(logs);
    // A record a second, and a few to spare.
    const QByteArray log = DriveLog(spec.nSeconds + 5);
    if (log.isEmpty()) {
        std::fprintf(stderr, "no drive log in " DERUZIZ_TEST_DATA_DIR "/gps\n");
        return {};
    }
    QStringList paths;
    for (int n = 1; n <= nClips; ++n) {
        const QString number = QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
        const QString clip = clips + QStringLiteral("/CLIP") + number + QStringLiteral(".MOV");
        QFile logFile(logs + QStringLiteral("/GPS") + number + QStringLiteral(".LOG"));
        if (!Link(recording, clip) || !logFile.open(QIODevice::WriteOnly) || logFile.write(log) != log.size())
            return {};
        paths << clip;
    }
    return paths;
}

QString MakeUntrackedClip(const QString& scratch, const CClipSpec& spec)
{
    const QString recording = Recording(spec);
    const QString clips = scratch + QStringLiteral("/card/DCIM/100MEDIA");
    const QString clip = clips + QStringLiteral("/CLIP0009.MOV");
    QDir().mkpath(clips);
    return !recording.isEmpty() && Link(recording, clip) ? clip : QString();
}

} // namespace BenchCard
