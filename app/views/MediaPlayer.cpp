#include "views/MediaPlayer.h"

#include "views/PlaybackRules.h"

#include <QDebug>
#include <QFile>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>

#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <cmath>

struct MediaPlayer::Mpv
{
    mpv_handle *handle = nullptr;
};

namespace {

bool canMakeGlContext()
{
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return false;
    context.doneCurrent();
    return true;
}

void *glProcAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(QByteArray(name))) : nullptr;
}

QString mpvError(int code)
{
    return QString::fromUtf8(mpv_error_string(code));
}

} // namespace

// Draws libmpv's frames through its render API. The render context lives
// and dies with the widget's GL context, always freed while it is current.
class MpvGlSurface : public QOpenGLWidget
{
public:
    explicit MpvGlSurface(MediaPlayer *player)
        : m_player(player)
    {
        setObjectName(QStringLiteral("videoSurface"));
    }

    // The context outlives this part of the object (QOpenGLWidget destroys
    // it), so its last signal must not reach us.
    ~MpvGlSurface() override
    {
        disconnect(m_contextGone);
        freeRenderContext();
    }

    // The player goes first: its core must not outlive the render context.
    void detach()
    {
        freeRenderContext();
        m_player = nullptr;
    }

    void freeRenderContext()
    {
        if (!m_render)
            return;
        makeCurrent();
        mpv_render_context_free(m_render);
        m_render = nullptr;
        doneCurrent();
    }

protected:
    void initializeGL() override
    {
        // Moving the widget to another window replaces its context.
        disconnect(m_contextGone);
        m_contextGone = connect(
            context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { freeRenderContext(); },
            Qt::DirectConnection);
        bool ok = false;
        if (m_player && m_player->m_mpv) {
            mpv_opengl_init_params gl {glProcAddress, nullptr};
            mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
                {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl}, {MPV_RENDER_PARAM_INVALID, nullptr}};
            const int result = mpv_render_context_create(&m_render, m_player->m_mpv->handle, params);
            ok = result >= 0;
            if (ok)
                mpv_render_context_set_update_callback(m_render, &MpvGlSurface::onUpdate, this);
            else
                qWarning().noquote() << "mpv: no render context:" << mpvError(result);
        }
        if (m_player)
            m_player->renderReady(ok);
    }

    void paintGL() override
    {
        if (!m_render) {
            QOpenGLFunctions *gl = context()->functions();
            gl->glClearColor(0, 0, 0, 1);
            gl->glClear(GL_COLOR_BUFFER_BIT);
            return;
        }
        const qreal ratio = devicePixelRatioF();
        mpv_opengl_fbo fbo {int(defaultFramebufferObject()), int(width() * ratio), int(height() * ratio), 0};
        int flipY = 1;
        mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &fbo}, {MPV_RENDER_PARAM_FLIP_Y, &flipY},
            {MPV_RENDER_PARAM_INVALID, nullptr}};
        mpv_render_context_render(m_render, params);
    }

private:
    // On libmpv's thread: only post.
    static void onUpdate(void *self)
    {
        auto *surface = static_cast<MpvGlSurface *>(self);
        if (!surface->m_updatePosted.exchange(true))
            QMetaObject::invokeMethod(
                surface, [surface] { surface->takeUpdate(); }, Qt::QueuedConnection);
    }

    void takeUpdate()
    {
        m_updatePosted = false;
        if (m_render && (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME))
            update();
    }

    MediaPlayer *m_player;
    mpv_render_context *m_render = nullptr;
    QMetaObject::Connection m_contextGone;
    std::atomic<bool> m_updatePosted {false};
};

MediaPlayer::MediaPlayer(QObject *parent)
    : MediaPlayer(Options(), parent)
{
}

MediaPlayer::MediaPlayer(const Options &options, QObject *parent)
    : QObject(parent)
{
    m_poll.setInterval(kNotifyInterval);
    m_poll.setTimerType(Qt::PreciseTimer);
    connect(&m_poll, &QTimer::timeout, this, &MediaPlayer::poll);
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pauseTimer, &QTimer::timeout, this, &MediaPlayer::reachPauseAt);
    create(options);
}

MediaPlayer::~MediaPlayer()
{
    m_poll.stop();
    if (auto *gl = dynamic_cast<MpvGlSurface *>(m_surface.data()))
        gl->detach();
    if (m_mpv) {
        mpv_set_wakeup_callback(m_mpv->handle, nullptr, nullptr);
        mpv_terminate_destroy(m_mpv->handle);
        delete m_mpv;
    }
    if (m_surface && !m_surface->parent())
        delete m_surface.data();
}

void MediaPlayer::create(const Options &options)
{
    mpv_handle *handle = mpv_create();
    m_drawsVideo = !options.nullVideo && handle && canMakeGlContext();
    if (m_drawsVideo) {
        m_surface = new MpvGlSurface(this);
        m_renderReady = false;
    } else {
        auto *black = new QWidget;
        black->setObjectName(QStringLiteral("videoSurface"));
        black->setStyleSheet(QStringLiteral("background-color: black;"));
        black->setAttribute(Qt::WA_StyledBackground);
        m_surface = black;
    }
    if (!handle) {
        // libmpv refuses to start unless numbers use the C locale.
        m_error = QStringLiteral("libmpv could not be started");
        return;
    }

    const QByteArray video = m_drawsVideo ? "libmpv" : "null";
    const QList<QPair<const char *, QByteArray>> settings = {
        {"vo", video},
        {"ao", options.nullAudio ? QByteArray("null") : QByteArray()},
        {"idle", "yes"},
        {"keep-open", "no"},
        {"pause", "yes"},
        {"hr-seek", "yes"},
        {"volume", "100"},
        // Captions are ours: no second one from talk.srt beside talk.mp4.
        {"sub-auto", "no"},
        {"sid", "no"},
        // Audio files still play on a machine without a sound device.
        {"audio-fallback-to-null", "yes"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osc", "no"},
        {"load-scripts", "no"},
        {"hwdec", "no"},
        {"ytdl", "no"},
        {"untimed", options.untimed ? "yes" : "no"},
        {"ao-null-untimed", options.untimed ? "yes" : "no"},
    };
    for (const auto &setting : settings) {
        if (setting.second.isEmpty())
            continue;
        const int result = mpv_set_option_string(handle, setting.first, setting.second.constData());
        if (result < 0)
            qWarning().noquote() << "mpv: option" << setting.first << mpvError(result);
    }
    const int result = mpv_initialize(handle);
    if (result < 0) {
        m_error = QStringLiteral("libmpv could not be initialised: ") + mpvError(result);
        mpv_terminate_destroy(handle);
        return;
    }
    m_mpv = new Mpv {handle};
    mpv_observe_property(handle, 0, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(handle, 0, "duration", MPV_FORMAT_DOUBLE);
    mpv_request_log_messages(handle, "warn");
    mpv_set_wakeup_callback(handle, &MediaPlayer::onWakeup, this);
}

bool MediaPlayer::isValid() const
{
    return m_mpv != nullptr;
}
QString MediaPlayer::errorString() const
{
    return m_error;
}
QWidget *MediaPlayer::videoSurface() const
{
    return m_surface;
}
bool MediaPlayer::drawsVideo() const
{
    return m_drawsVideo;
}

// On libmpv's thread: only post, once until the GUI thread has drained.
void MediaPlayer::onWakeup(void *self)
{
    auto *player = static_cast<MediaPlayer *>(self);
    if (!player->m_wakeupPosted.exchange(true))
        QMetaObject::invokeMethod(
            player, [player] { player->drainEvents(); }, Qt::QueuedConnection);
}

void MediaPlayer::drainEvents()
{
    m_wakeupPosted = false;
    while (m_mpv) {
        const mpv_event *event = mpv_wait_event(m_mpv->handle, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(event);
    }
}

// Receivers may open modal boxes, whose loops drain further events: the
// event is read completely before anything is emitted.
void MediaPlayer::handleEvent(const void *data)
{
    const auto *event = static_cast<const mpv_event *>(data);
    switch (event->event_id) {
    case MPV_EVENT_START_FILE:
        m_eventEntry = static_cast<const mpv_event_start_file *>(event->data)->playlist_entry_id;
        if (m_entryId == -1)
            m_entryId = m_eventEntry;
        break;
    case MPV_EVENT_FILE_LOADED:
        if (m_entryId != 0 && m_eventEntry == m_entryId)
            onFileLoaded();
        break;
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event->data);
        onEndFile(end->playlist_entry_id, end->reason, end->error);
        break;
    }
    case MPV_EVENT_SEEK:
        // Only seeks of ours run (no key bindings, no start option), and the
        // restart after one is its end; a restart queued before it (the
        // file's own start) is not. Seeks asked for in a row may run as one.
        if (m_loaded && m_eventEntry == m_entryId)
            m_seek = SeekState::Running;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (m_seek == SeekState::Running && m_loaded && m_eventEntry == m_entryId) {
            m_seek = SeekState::None;
            emit seekFinished(position());
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto *property = static_cast<const mpv_event_property *>(event->data);
        const QByteArray name(property->name);
        if (name == "duration" && property->format == MPV_FORMAT_DOUBLE) {
            m_duration = std::llround(*static_cast<const double *>(property->data) * 1000);
        } else if (name == "pause") {
            notePause();
        }
        break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
        const auto *message = static_cast<const mpv_event_log_message *>(event->data);
        qDebug().noquote() << "mpv:" << message->prefix << QString::fromUtf8(message->text).trimmed();
        break;
    }
    default:
        break;
    }
}

void MediaPlayer::onFileLoaded()
{
    m_loaded = true;
    m_duration = std::llround(number("duration", 0) * 1000);
    if (m_pendingSeek >= 0) {
        const qint64 target = m_pendingSeek;
        m_pendingSeek = -1;
        seek(target);
    }
    updatePolling();
    emit started();
}

void MediaPlayer::onEndFile(qint64 entryId, int reason, int error)
{
    if (entryId != 0 && entryId == m_stoppingEntry) {
        m_stoppingEntry = 0;
        emit stopped();
        return;
    }
    if (entryId == 0 || entryId != m_entryId)
        return; // a file an earlier play() replaced
    QString failure;
    if (reason == MPV_END_FILE_REASON_ERROR) {
        failure = mpvError(error);
    } else if (reason == MPV_END_FILE_REASON_REDIRECT) {
        // A playlist would load whatever it names, addresses included.
        failure = QStringLiteral("playlists are not played");
        const char *command[] = {"stop", nullptr};
        mpv_command(m_mpv->handle, command);
    }
    m_entryId = 0;
    m_loaded = false;
    m_seek = SeekState::None;
    m_pendingSeek = -1;
    m_pauseAt = -1;
    updatePolling();
    emit stopped();
    if (!failure.isEmpty())
        emit loadFailed(failure);
}

void MediaPlayer::renderReady(bool ok)
{
    m_renderReady = true;
    if (!ok && m_drawsVideo && m_mpv) {
        m_drawsVideo = false;
        mpv_set_property_string(m_mpv->handle, "vo", "null");
    }
    if (m_heldPath.isEmpty())
        return;
    const QString path = m_heldPath;
    m_heldPath.clear();
    QString error;
    if (!loadFile(path, &error)) {
        emit stopped();
        emit loadFailed(error);
    }
}

bool MediaPlayer::play(const QString &path, bool paused, QString *error)
{
    QString reason = PlaybackRules::refusalReason(path);
    if (reason.isEmpty() && !m_mpv)
        reason = m_error;
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    // Whatever played or was stopping is superseded, its end unreported.
    m_heldPath.clear();
    m_entryId = 0;
    m_stoppingEntry = 0;
    m_loaded = false;
    m_pendingSeek = -1;
    m_seek = SeekState::None;
    m_pauseAt = -1;
    m_lastReported = -1;
    m_duration = 0;
    // Both survive loadfile, so each file starts as asked.
    setFlag("pause", paused);
    notePause();
    setDouble("speed", m_speed);
    if (!m_renderReady) {
        // A video loaded before the render context exists would fail.
        m_heldPath = path;
        return true;
    }
    return loadFile(path, error);
}

bool MediaPlayer::loadFile(const QString &path, QString *error)
{
    const QByteArray file = QFile::encodeName(path);
    const char *command[] = {"loadfile", file.constData(), "replace", nullptr};
    mpv_node result;
    const int status = mpv_command_ret(m_mpv->handle, command, &result);
    if (status < 0) {
        if (error)
            *error = mpvError(status);
        return false;
    }
    m_entryId = -1; // unless libmpv names the entry here
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0
                && result.u.list->values[i].format == MPV_FORMAT_INT64)
                m_entryId = result.u.list->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
    return true;
}

void MediaPlayer::stop()
{
    m_pauseAt = -1;
    if (!m_heldPath.isEmpty()) {
        m_heldPath.clear();
        QMetaObject::invokeMethod(this, &MediaPlayer::stopped, Qt::QueuedConnection);
        return;
    }
    if (m_entryId == 0)
        return;
    m_stoppingEntry = m_entryId;
    m_entryId = 0;
    m_loaded = false;
    m_seek = SeekState::None;
    m_pendingSeek = -1;
    updatePolling();
    const char *command[] = {"stop", nullptr};
    mpv_command(m_mpv->handle, command);
}

void MediaPlayer::pause(bool paused)
{
    if (paused)
        m_pauseAt = -1;
    setFlag("pause", paused);
    notePause();
}

// libmpv reports a property's value when events are read, so a change and
// its undoing in between go unseen; changes made here are told at once.
void MediaPlayer::notePause()
{
    updatePolling();
    const bool paused = flag("pause");
    if (paused == m_toldPaused)
        return;
    m_toldPaused = paused;
    emit pausedChanged(paused);
}

bool MediaPlayer::isPlaying() const
{
    return m_entryId != 0 || !m_heldPath.isEmpty();
}

bool MediaPlayer::isPaused() const
{
    return isPlaying() && flag("pause");
}

bool MediaPlayer::seek(qint64 milliseconds)
{
    if (!isPlaying())
        return false;
    m_pauseAt = -1;
    milliseconds = qMax<qint64>(0, milliseconds);
    if (!m_loaded) {
        m_pendingSeek = milliseconds;
        return true;
    }
    const QByteArray target = QByteArray::number(milliseconds / 1000.0, 'f', 3);
    const char *command[] = {"seek", target.constData(), "absolute+exact", nullptr};
    const int status = mpv_command(m_mpv->handle, command);
    if (status < 0) {
        qWarning().noquote() << "mpv: seek:" << mpvError(status);
        return false;
    }
    m_seek = SeekState::Asked;
    return true;
}

void MediaPlayer::pauseAt(qint64 milliseconds)
{
    m_pauseAt = milliseconds;
    updatePolling();
}

void MediaPlayer::setSpeed(double speed)
{
    if (!(speed > 0))
        return;
    m_speed = speed;
    setDouble("speed", speed);
}

double MediaPlayer::speed() const
{
    return m_speed;
}

void MediaPlayer::setVolume(double gain)
{
    m_volume = qBound(0.0, gain, 2.0);
    setDouble("volume", PlaybackRules::cubicVolumePercent(m_volume));
}

double MediaPlayer::volume() const
{
    return m_volume;
}

void MediaPlayer::setMuted(bool muted)
{
    m_muted = muted;
    setFlag("mute", muted);
}

bool MediaPlayer::isMuted() const
{
    return m_muted;
}

qint64 MediaPlayer::position() const
{
    return std::llround(positionSeconds() * 1000);
}

double MediaPlayer::positionSeconds() const
{
    if (!m_loaded)
        return m_pendingSeek >= 0 ? m_pendingSeek / 1000.0 : 0;
    return qMax(0.0, number("time-pos", 0));
}

qint64 MediaPlayer::duration() const
{
    return m_duration;
}

void MediaPlayer::poll()
{
    const qint64 now = position();
    if (now != m_lastReported) {
        m_lastReported = now;
        emit positionChanged(now);
    }
    if (m_pauseAt >= 0)
        reachPauseAt();
}

// Position reports come every 100 ms; the last stretch before the mark is
// timed on its own so the pause lands close to it, and the exact seek
// puts it there.
void MediaPlayer::reachPauseAt()
{
    if (m_pauseAt < 0 || !m_loaded)
        return;
    const double remaining = m_pauseAt - positionSeconds() * 1000;
    if (remaining <= 1) {
        const qint64 mark = m_pauseAt;
        pause(true);
        seek(mark);
        return;
    }
    const double wall = remaining / m_speed;
    if (wall < kNotifyInterval * 1.5 && !m_pauseTimer.isActive())
        m_pauseTimer.start(qMax(1, int(wall)));
}

void MediaPlayer::updatePolling()
{
    const bool running = m_loaded && !flag("pause");
    if (running && !m_poll.isActive())
        m_poll.start();
    if (!running) {
        m_poll.stop();
        m_pauseTimer.stop();
    }
}

void MediaPlayer::setFlag(const char *name, bool value)
{
    if (!m_mpv)
        return;
    int flagValue = value ? 1 : 0;
    const int status = mpv_set_property(m_mpv->handle, name, MPV_FORMAT_FLAG, &flagValue);
    if (status < 0)
        qWarning().noquote() << "mpv: set" << name << mpvError(status);
}

void MediaPlayer::setDouble(const char *name, double value)
{
    if (!m_mpv)
        return;
    const int status = mpv_set_property(m_mpv->handle, name, MPV_FORMAT_DOUBLE, &value);
    if (status < 0)
        qWarning().noquote() << "mpv: set" << name << mpvError(status);
}

bool MediaPlayer::flag(const char *name) const
{
    int value = 0;
    return m_mpv && mpv_get_property(m_mpv->handle, name, MPV_FORMAT_FLAG, &value) >= 0 && value != 0;
}

double MediaPlayer::number(const char *name, double fallback) const
{
    double value = fallback;
    if (!m_mpv || mpv_get_property(m_mpv->handle, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return fallback;
    return value;
}
