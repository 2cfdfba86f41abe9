#include "views/CustomToolButton.h"

#include "base/PlaybackState.h"
#include "views/PlaybackRules.h"

#include <QMouseEvent>

CustomToolButton::CustomToolButton(QWidget *parent)
    : QToolButton(parent)
{
    setMouseTracking(true);
    showLevel(3);
}

void CustomToolButton::showLevel(int level)
{
    if (level == m_level)
        return;
    m_level = level;
    setStyleSheet(QStringLiteral("border-image:url(:/image/main/volume_%1.png)").arg(level));
}

void CustomToolButton::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    QToolButton::mousePressEvent(event);
}

void CustomToolButton::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressed = false;
    QToolButton::mouseReleaseEvent(event);
}

void CustomToolButton::mouseMoveEvent(QMouseEvent *event)
{
    QToolButton::mouseMoveEvent(event);
    // Before playback there is nothing to turn up or down.
    if (!m_pressed || !playbackState().playerStarted)
        return;
    const PlaybackRules::VolumeStep step = PlaybackRules::volumeForPointer(event->pos().x());
    showLevel(step.image);
    emit signal_setvolume(step.fraction);
}
