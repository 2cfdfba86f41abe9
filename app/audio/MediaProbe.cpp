#include "audio/MediaProbe.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

namespace {

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct InputCloser
{
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};

} // namespace

MediaInfo probeMedia(const QString &path)
{
    MediaInfo info;
    if (!QFileInfo(path).isFile()) {
        info.error = QStringLiteral("no such file");
        return info;
    }
    // "file:" keeps a name like "a:b.mp4" from being taken for a protocol.
    const QByteArray url = "file:" + QFile::encodeName(QFileInfo(path).absoluteFilePath());
    AVFormatContext *raw = nullptr;
    int result = avformat_open_input(&raw, url.constData(), nullptr, nullptr);
    if (result < 0) {
        info.error = errorText(result);
        return info;
    }
    std::unique_ptr<AVFormatContext, InputCloser> context(raw);
    result = avformat_find_stream_info(context.get(), nullptr);
    if (result < 0) {
        info.error = errorText(result);
        return info;
    }
    info.opened = true;
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        info.durationSeconds = double(context->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream *stream = context->streams[i];
        const AVCodecParameters *codec = stream->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO)
            info.hasAudio = true;
        if (codec->codec_type != AVMEDIA_TYPE_VIDEO || info.hasVideo
            || (stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        info.hasVideo = true;
        info.width = codec->width;
        info.height = codec->height;
        info.videoFrames = stream->nb_frames;
        if (info.videoFrames <= 0 && stream->avg_frame_rate.num > 0 && info.durationSeconds > 0)
            info.videoFrames = qint64(info.durationSeconds * av_q2d(stream->avg_frame_rate) + 0.5);
    }
    return info;
}
