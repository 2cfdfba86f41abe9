#include "views/PlayerWindow.h"

#include "base/DesktopActions.h"
#include "base/MsgBox.h"

#include <QFileInfo>
#include <QToolButton>
#include <QVBoxLayout>

PlayerWindow::PlayerWindow(QWidget *parent)
    : PlayerWindow(MediaPlayer::Options(), parent)
{
}

PlayerWindow::PlayerWindow(const MediaPlayer::Options &options, QWidget *parent)
    : QWidget(parent)
    , m_player(new MediaPlayer(options, this))
{
    setObjectName(QStringLiteral("PlayerWindow"));
    m_fileButton = new QToolButton(this);
    m_fileButton->setObjectName(QStringLiteral("toolButton_MediaFile"));
    m_fileButton->setFixedHeight(20);
    m_fileButton->setStyleSheet(QStringLiteral("background:transparent;color:#9a9a9a;"));
    m_fileButton->setIcon(QIcon(QStringLiteral(":/image/main/opendir_normal.png")));
    m_fileButton->setIconSize(QSize(18, 18));
    m_fileButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_fileButton->setToolTip(QStringLiteral("在文件夹中显示"));
    connect(m_fileButton, &QToolButton::clicked, this, &PlayerWindow::slot_openFilePath);

    QWidget *video = m_player->videoSurface();
    video->setParent(this);
    video->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_fileButton);
    layout->addWidget(video, 1);
}

bool PlayerWindow::play(const QString &path, bool paused, QString *error)
{
    return m_player->play(path, paused, error);
}

void PlayerWindow::stop()
{
    if (m_player->isPlaying())
        m_player->stop();
}

bool PlayerWindow::togglePause(QString *error)
{
    if (!m_player->isPlaying())
        return play(m_path, false, error);
    m_player->pause(!m_player->isPaused());
    return true;
}

void PlayerWindow::setMediaPath(const QString &path)
{
    m_path = path;
    m_fileButton->setText(QFileInfo(path).fileName());
    m_fileButton->setAccessibleName(
        path.isEmpty() ? QString() : QStringLiteral("在文件夹中显示 ") + QFileInfo(path).fileName());
}

void PlayerWindow::slot_openFilePath()
{
    if (m_path.isEmpty() || !QFileInfo::exists(m_path))
        return;
    if (!DesktopActions::revealFile(m_path))
        MsgBox::notice(this, QStringLiteral("无法打开媒体文件所在的文件夹"));
}
