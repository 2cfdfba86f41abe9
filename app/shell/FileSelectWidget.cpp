#include "shell/FileSelectWidget.h"

#include "base/CurrentProject.h"
#include "base/FilePickers.h"
#include "base/LoginState.h"
#include "base/ModalSeam.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int OneLineLimit = 14;
constexpr int FirstLineLength = 13;

QString placeholderFor(int type)
{
    return type == FileSelectWidget::Transcript ? QStringLiteral("点击选择文本文件")
                                                : QStringLiteral("点击选择音视频文件");
}

} // namespace

FileSelectWidget::FileSelectWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FileSelectWidget"));
    setAttribute(Qt::WA_StyledBackground);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(260, 200);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("label_FileName"));
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_label->setStyleSheet(QStringLiteral("color: rgb(192, 192, 192); font-size: 14px; background: transparent;"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 16);
    layout->addStretch();
    layout->addWidget(m_label);
    connect(this, &FileSelectWidget::signal_OpenFileDialog, this, &FileSelectWidget::slot_OpenFileDialog);
    setType(Media);
}

void FileSelectWidget::setType(int type)
{
    m_fileType = type == Transcript ? Transcript : Media;
    setAccessibleName(m_fileType == Transcript ? QStringLiteral("选择文本文件") : QStringLiteral("选择音视频文件"));
    clear();
}

void FileSelectWidget::clear()
{
    m_filePath.clear();
    m_label->setText(placeholderFor(m_fileType));
    setAccessibleDescription(QString());
    showPicture(true);
}

QString FileSelectWidget::labelTextFor(const QString &fileName)
{
    if (fileName.size() < OneLineLimit)
        return fileName;
    return QStringLiteral("<html><head/><body><p>%1</p><p>%2</p></body></html>")
        .arg(fileName.left(FirstLineLength), fileName.mid(FirstLineLength));
}

void FileSelectWidget::slot_OpenFileDialog()
{
    const QString path = chooseFile();
    if (path.isEmpty())
        return;
    m_filePath = path;
    m_label->setText(labelTextFor(QFileInfo(path).fileName()));
    setAccessibleDescription(path);
    showPicture(false);
}

QString FileSelectWidget::chooseFile()
{
    if (m_fileType == Media)
        return FilePickers::pickMediaFile(this);
    const QString path = ModalSeam::openFileName(this, QStringLiteral("打开文本文件"),
                                                 currentProject().lastFolderPath, QStringLiteral("文本文件(*.txt)"));
    if (path.isEmpty())
        return QString();
    rememberDialogFolder(path);
    // The service takes the transcript's name in the local code page too.
    if (!FilePickers::isAcceptableMediaName(path)) {
        MsgBox::notice(this, QStringLiteral("非法的文件名!"));
        return QString();
    }
    return path;
}

void FileSelectWidget::showPicture(bool show)
{
    const QString picture = m_fileType == Transcript ? QStringLiteral(":/image/right/txt_bg.png")
                                                     : QStringLiteral(":/image/right/video_bg.png");
    setStyleSheet(show ? QStringLiteral("FileSelectWidget { background-image: url(%1); background-position: center; "
                                        "background-repeat: no-repeat; }")
                             .arg(picture)
                       : QString());
}

void FileSelectWidget::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void FileSelectWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->pos()))
        emit signal_OpenFileDialog();
    QWidget::mouseReleaseEvent(event);
}

void FileSelectWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit signal_OpenFileDialog();
        return;
    }
    QWidget::keyPressEvent(event);
}

QPushButton *layOutTaskPage(QWidget *page, const QList<FileSelectWidget *> &tiles)
{
    auto *start = new QPushButton(QStringLiteral("开始"), page);
    start->setObjectName(QStringLiteral("toolButton_Start"));
    start->setFixedSize(160, 40);
    start->setCursor(Qt::PointingHandCursor);

    auto *row = new QHBoxLayout;
    row->setSpacing(40);
    row->addStretch();
    for (FileSelectWidget *tile : tiles)
        row->addWidget(tile);
    row->addStretch();
    auto *layout = new QVBoxLayout(page);
    layout->addStretch();
    layout->addLayout(row);
    layout->addSpacing(30);
    layout->addWidget(start, 0, Qt::AlignHCenter);
    layout->addStretch();
    return start;
}

bool taskPageMayStart(QWidget *page, const QString &mediaPath)
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return false;
    }
    if (mediaPath.isEmpty()) {
        MsgBox::notice(page, QStringLiteral("请先选择媒体文件！"));
        return false;
    }
    return true;
}
