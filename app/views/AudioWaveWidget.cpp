#include "views/AudioWaveWidget.h"

#include "base/CurrentProject.h"
#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"
#include "views/AudioScene.h"
#include "views/GraphicWidget.h"

#include <QDebug>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>

namespace {
const char ScrollBarStyle[]
    = "QScrollBar{background:rgb(180,180,180); height: 12px;}\n"
      "QScrollBar::handle{background:rgb(180,180,180); border:0px solid transparent; border-radius:2px;}\n"
      "QScrollBar::handle:hover{background:rgb(112, 112,112);}\n"
      "QScrollBar::sub-page{background:rgb(58, 60, 85);}\n"
      "QScrollBar::add-page{background:rgb(58, 60, 85);}\n"
      "QScrollBar::sub-line{background:rgb(58, 60, 85);}\n"
      "QScrollBar::add-line{background:rgb(58, 60, 85);}";
constexpr double FirstSceneWidth = 2000;
} // namespace

AudioWaveWidget::AudioWaveWidget(QWidget *parent)
    : QWidget(parent)
    , m_scratchFolder(defaultWaveScratchFolder())
{
    setWindowTitle(QStringLiteral("AudioWaveWidget"));
    resize(655, 162);
    setMinimumHeight(30);
    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    m_view = new GraphicWidget(this);
    m_view->setObjectName(QStringLiteral("graphicsView"));
    m_view->setAccessibleName(windowTitle());
    m_view->setMinimumHeight(162);
    // Click focus (not none) so the arrow keys can nudge a grabbed edge.
    m_view->setFocusPolicy(Qt::ClickFocus);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_view->setCacheMode(QGraphicsView::CacheBackground);
    m_view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_view->setStyleSheet(QString::fromLatin1(ScrollBarStyle));
    m_view->installEventFilter(this);
    layout->addWidget(m_view);

    m_scene = new AudioScene(QSizeF(FirstSceneWidth, viewSize().height()), this);
    m_view->setScene(m_scene);

    connect(&m_loader, &WaveLoader::loaded, this, &AudioWaveWidget::applyLoad);
    connect(&currentSubtitleList(), &SubtitleList::changed, this, &AudioWaveWidget::followList);
    connectHub();
}

AudioWaveWidget::~AudioWaveWidget()
{
    m_loader.cancel();
}

void AudioWaveWidget::connectHub()
{
    SignalProxy *hub = SignalProxy::instance();
    connect(hub, &SignalProxy::signal_startLoadwavfile, this, &AudioWaveWidget::slot_loadWavfile);
    connect(hub, &SignalProxy::signal_noticeUpdateWaveItem, this, &AudioWaveWidget::slot_noticeUpdateWaveItem);
    connect(hub, &SignalProxy::signal_updateTimeBlock, this, &AudioWaveWidget::slot_updateTimeBlock);
    connect(hub, &SignalProxy::signal_drawTimeblock, this, &AudioWaveWidget::drawTimeblock);
    connect(hub, &SignalProxy::siganal_ClearDate, this, &AudioWaveWidget::slot_clearDate);
}

SpinItem *AudioWaveWidget::cursor() const
{
    return m_scene->cursor();
}

const QVector<MyItem *> &AudioWaveWidget::blocks() const
{
    return m_scene->blocks();
}

QSizeF AudioWaveWidget::viewSize() const
{
    // The viewport's width, so a scene as wide as the view needs no scroll
    // bar; the view's height, as every block is that high.
    return QSizeF(m_view->viewport()->width(), qMax(m_view->height(), m_view->minimumHeight()));
}

bool AudioWaveWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::Resize)
        m_scene->setViewSize(viewSize());
    return QWidget::eventFilter(watched, event);
}

void AudioWaveWidget::replaceScene()
{
    AudioScene *old = m_scene;
    m_scene = new AudioScene(viewSize(), this);
    m_view->setScene(m_scene);
    // Deleted once control is back in the event loop, in case this runs
    // inside one of its own handlers; silent towards the hub until then.
    SignalProxy::instance()->disconnect(old);
    old->deleteLater();
}

void AudioWaveWidget::slot_loadWavfile(QString str)
{
    if (str.isEmpty() || !QFileInfo::exists(str))
        return;
    m_scene->setLoaded(false);
    currentProject().mediaFilePath = str;
    replaceScene();
    m_scene->rebuildBlocks(currentSubtitleList().snapshot());
    m_lastLoadError.clear();
    m_loader.start(str, m_scratchFolder);
}

void AudioWaveWidget::applyLoad(const WaveLoadResult &result)
{
    m_lastLoadError = result.error;
    if (!result.error.isEmpty())
        qWarning().noquote() << "waveform:" << result.error;
    if (!result.wavPath.isEmpty())
        currentProject().wavFilePath = result.wavPath;
    // No waveform still places the cursor and reports the end of the load,
    // so whoever waits for it is released.
    m_scene->setPeaks(result.peaks);
    m_scene->placeCursor(0);
    emit SignalProxy::instance()->signal_loadwavefileFinished();
    m_scene->setLoaded(true);
}

void AudioWaveWidget::slot_noticeUpdateWaveItem(int i)
{
    const SubtitleList &list = currentSubtitleList();
    if (i < 0 || i >= m_scene->blocks().size() || i >= list.size())
        return;
    m_scene->refreshBlock(i, list.at(i));
}

void AudioWaveWidget::slot_updateTimeBlock()
{
    m_scene->rebuildBlocks(currentSubtitleList().snapshot());
}

void AudioWaveWidget::drawTimeblock()
{
    m_scene->rebuildBlocks(currentSubtitleList().snapshot());
    m_scene->placeCursor(0);
}

void AudioWaveWidget::updateWidget()
{
    const QSize current = size();
    resize(current + QSize(1, 1));
    resize(current);
}

void AudioWaveWidget::slot_clearDate()
{
    m_loader.cancel();
    m_scene->clearBlocks();
    SubtitleList &list = currentSubtitleList();
    if (!list.isEmpty())
        list.replaceDocument(SubtitleEntries());
    m_scene->setLoaded(false);
    currentProject().mediaFilePath.clear();
    replaceScene();
    m_lastLoadError.clear();
}

void AudioWaveWidget::followList()
{
    if (m_scene->isWritingBack())
        return;
    const SubtitleEntries entries = currentSubtitleList().snapshot();
    if (entries.size() != m_scene->blocks().size()) {
        m_scene->rebuildBlocks(entries);
    } else {
        m_scene->cancelBlockDrag();
        m_scene->refreshBlocks(entries);
    }
}
