#include "testclips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace TestClips {

QString ScratchDir()
{
    static const QString dir = [] {
        const QString path = QStringLiteral(DERUZIZ_BINARY_DIR "/test-scratch/%1")
                                 .arg(QCoreApplication::applicationPid());
        QDir(path).removeRecursively();
        QDir().mkpath(path);
        return path;
    }();
    return dir;
}

QString Make(Kind kind, int nSeconds)
{
    const QString cacheDir = QStringLiteral(DERUZIZ_BINARY_DIR "/test-clips");
    QDir().mkpath(cacheDir);
    QString name;
    QStringList codec;
    const QString duration = QString::number(nSeconds);
    QStringList inputs = {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("testsrc=size=320x240:rate=25:duration=") + duration};
    switch (kind) {
    case MovH264WithSound:
        name = QStringLiteral("CLIP%1.MOV");
        inputs += {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("sine=frequency=440:duration=") + duration};
        codec = {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                 QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac")};
        break;
    case AviMjpeg:
        name = QStringLiteral("MOVI%1.AVI");
        codec = {QStringLiteral("-c:v"), QStringLiteral("mjpeg"), QStringLiteral("-q:v"), QStringLiteral("5")};
        break;
    case Mp4H264:
        name = QStringLiteral("FILE%1.MP4");
        codec = {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                 QStringLiteral("yuv420p")};
        break;
    }
    const QString path = cacheDir + QLatin1Char('/') + name.arg(nSeconds, 4, 10, QLatin1Char('0'));
    if (QFile::exists(path))
        return path;
    const QString partial = path + QStringLiteral(".part");
    QStringList args = {QStringLiteral("-y"), QStringLiteral("-loglevel"), QStringLiteral("error")};
    args += inputs;
    args += codec;
    args += {QStringLiteral("-f"), kind == AviMjpeg ? QStringLiteral("avi")
                                   : kind == Mp4H264 ? QStringLiteral("mp4") : QStringLiteral("mov"),
             partial};
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
        return QString();
    if (!QFile::rename(partial, path))
        return QString();
    return path;
}

bool CopyTo(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace TestClips
