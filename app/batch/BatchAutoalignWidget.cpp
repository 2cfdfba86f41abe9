#include "batch/BatchAutoalignWidget.h"

#include "base/AppConfig.h"
#include "base/CurrentProject.h"
#include "base/DesktopActions.h"
#include "base/FilePickers.h"
#include "base/InfoTipWidget.h"
#include "base/LoginState.h"
#include "base/ModalSeam.h"
#include "base/MsgBox.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "batch/ButtonDelegate.h"
#include "batch/CvtVideoWrapper.h"
#include "batch/ProgressBarDelegate.h"
#include "batch/TableModel.h"
#include "project/ProjectList.h"
#include "project/TaskList.h"
#include "project/XmlOperate.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDebug>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

const int NormalWidths[] = {100, 250, 250, 250, 310};

} // namespace

BatchAutoalignWidget::BatchAutoalignWidget(TaskList &tasks, QWidget *parent)
    : QWidget(parent)
    , m_tasks(tasks)
    , m_model(new TableModel(this))
    , m_table(new QTableView(this))
    , m_textDelegate(new ButtonDelegate(this))
    , m_burns(new CvtVideoWrapper(tasks, this))
{
    setObjectName(QStringLiteral("BatchAutoalignWidget"));
    auto *title = new QLabel(QStringLiteral("批量任务管理"), this);
    title->setObjectName(QStringLiteral("batchTitle"));

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    const auto addButton = [this, buttons](const QString &text, const std::function<void()> &action) {
        auto *button = new QPushButton(text, this);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
        return button;
    };
    addButton(QStringLiteral("添加文件"), [this] { slot_ClickaddMediaButton(); });
    m_sameNamedText = new QCheckBox(QStringLiteral("自动添加同名文本文件"), this);
    buttons->addWidget(m_sameNamedText);
    buttons->addStretch();
    addButton(QStringLiteral("开始"), [this] { slot_clickStartButton(); });
    addButton(QStringLiteral("暂停"), [this] { slot_clickPauseButton(); });
    addButton(QStringLiteral("全部开始"), [this] { slot_clickAllStartButton(); });
    addButton(QStringLiteral("全部暂停"), [this] { slot_clickAllPauseButton(); });
    addButton(QStringLiteral("删除"), [this] { slot_clickDeleteButton(); });
    addButton(QStringLiteral("清除缓存"), [this] { slot_clickCleartmpButton(); });
    addButton(QStringLiteral("打开输出"), [this] { slot_openFilePath(QModelIndex()); });
    addButton(QStringLiteral("在编辑器中打开"), [this] { slot_openInEditor(); });

    m_table->setModel(m_model);
    m_table->setStyleSheet(QStringLiteral(
        "QTableView { background: rgb(32, 32, 32); alternate-background-color: rgb(40, 40, 40); "
        "color: rgb(216, 216, 216); gridline-color: rgb(60, 60, 60); border: 1px solid rgb(60, 60, 60); "
        "selection-background-color: rgb(55, 94, 148); selection-color: white; }"
        "QScrollBar { background: rgb(40, 40, 40); height: 12px; width: 12px; }"
        "QScrollBar::handle { background: rgb(90, 90, 90); border-radius: 4px; min-width: 30px; min-height: 30px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: rgb(40, 40, 40); }"));
    m_table->setAccessibleName(QStringLiteral("任务列表"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(32);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    QHeaderView *header = m_table->horizontalHeader();
    header->setStyleSheet(QStringLiteral(
        "QHeaderView::section {height: 20px;font-size: 14px; font-family: Microsoft YaHei; background-color: "
        "rgb(102,102,102);color:white;padding-left:2px; border: 1px solid #6c6c6c;}"));
    header->setSectionsClickable(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    m_table->setItemDelegate(new ProgressBarDelegate(this));
    m_table->setItemDelegateForColumn(TableModel::TextColumn, m_textDelegate);
    setHeaderSection(false);
    m_saveTimer = new QTimer(this);
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(250);
    connect(m_saveTimer, &QTimer::timeout, this, &BatchAutoalignWidget::saveQueue);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 12, 20, 12);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);

    connect(m_textDelegate, &ButtonDelegate::signal_clicked, this, &BatchAutoalignWidget::slot_ClickaddTxtButton);
    connect(m_table, &QTableView::doubleClicked, this, &BatchAutoalignWidget::slot_openFilePath);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BatchAutoalignWidget::updateButtons);
    connect(m_burns, &CvtVideoWrapper::taskProgressed, this, [this](const QString &id) { slot_Convertprogress(id, -1); });
    connect(m_burns, &CvtVideoWrapper::tasksChanged, this, &BatchAutoalignWidget::slot_ReSetModel);

    slot_ReSetModel();
    // A queue that came back from the last run goes on with its burns.
    QTimer::singleShot(0, m_burns, &CvtVideoWrapper::startNextIfIdle);
}

BatchAutoalignWidget::~BatchAutoalignWidget()
{
    leaveRunningTasks();
}

QPushButton *BatchAutoalignWidget::button(const QString &text) const
{
    for (QPushButton *candidate : findChildren<QPushButton *>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

bool BatchAutoalignWidget::isBurnRunning() const
{
    return m_burns->isRunning();
}

void BatchAutoalignWidget::leaveRunningTasks()
{
    if (m_thread) {
        disconnect(m_thread, nullptr, this, nullptr);
        m_thread->abandon();
        m_thread = nullptr;
    }
    saveQueue();
}

QVector<quint64> BatchAutoalignWidget::selectedKeys() const
{
    QVector<quint64> keys;
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &row : rows) {
        // A row past the end stands for the last one.
        const int r = qMin(row.row(), m_model->rowCount() - 1);
        if (const quint64 key = m_model->keyAt(r))
            keys.append(key);
    }
    return keys;
}

void BatchAutoalignWidget::slot_ClickaddMediaButton()
{
    const QStringList paths = ModalSeam::openFileNames(this, QStringLiteral("打开音视频文件"),
                                                       currentProject().lastFolderPath,
                                                       QString::fromUtf8(FilePickers::mediaFilter));
    if (paths.isEmpty())
        return;
    rememberDialogFolder(paths.first());
    const TaskList::AddMediaResult result = m_tasks.addMedia(paths, m_sameNamedText->isChecked());
    if (result.duplicateAlone)
        MsgBox::notice(this, QStringLiteral("音视频文件已经存在，不能重复添加!"));
    slot_ReSetModel();
}

void BatchAutoalignWidget::slot_ClickaddTxtButton(QModelIndex index, QString path)
{
    rememberDialogFolder(path);
    if (m_tasks.setTranscript(m_model->keyAt(index.row()), path))
        slot_ReSetModel();
}

void BatchAutoalignWidget::slot_clickStartButton()
{
    start(selectedKeys(), QStringLiteral("请先添加文件"));
}

void BatchAutoalignWidget::slot_clickAllStartButton()
{
    start(m_tasks.keys(), QStringLiteral("请先添加任务"));
}

void BatchAutoalignWidget::start(const QVector<quint64> &keys, const QString &emptyText)
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    if (m_tasks.isEmpty()) {
        MsgBox::notice(this, emptyText);
        return;
    }
    m_autoGenerate = false;
    if (m_tasks.needsTranscriptChoice(keys)) {
        MsgBox box(this);
        box.setFixedSize(520, 190);
        box.setTitle(QStringLiteral("选择操作"));
        box.setText(QStringLiteral("当前列表中存在未指定字幕文稿的视频文件。你可以让系统直接根据音频自动生成字幕稿;"
                                   "或者你可以暂不处理它们，先让系统处理带有字幕稿的视频"));
        box.setOkText(QStringLiteral("自动生成"));
        box.setCancelText(QStringLiteral("暂不处理"));
        box.setNoText(QStringLiteral("取消"));
        box.showNoButton(true);
        const int answer = box.exec();
        if (box.closedOrNo)
            return;
        m_autoGenerate = answer == QDialog::Accepted;
    }
    m_tasks.queueForStart(keys, m_autoGenerate);
    // Alignments go to an idle worker, burns to an idle runner; neither
    // ever takes the other's task.
    if (!m_thread)
        startNextAlignment();
    m_burns->startNextIfIdle();
    slot_ReSetModel();
}

void BatchAutoalignWidget::startNextAlignment()
{
    const quint64 key = m_tasks.nextAlignment();
    const TaskEntry *task = m_tasks.find(key);
    if (!task || m_thread)
        return;
    BatchJobInput input;
    input.key = key;
    input.job.mediaPath = task->mediaPath;
    input.job.transcriptPath = task->textPath;
    input.job.sessionId = loginState().sessionId;
    input.job.userName = accountMemory().userName;
    input.job.serviceHost = AppConfig::serviceHost();
    input.job.servicePort = AppConfig::servicePort();
    input.job.scratchFolder = currentProject().tempFolder;
    input.srtPath = task->outputPath;
    input.projectPath = task->mediaPath + QStringLiteral(".cwpro");
    input.timeScale = timeScaleValue();
    m_tasks.markRunning(key, QStringLiteral("正在上传音频..."));

    m_thread = new BatchThread(input, this);
    connect(m_thread, &BatchThread::signal_noticeBatchProgress, this, &BatchAutoalignWidget::slot_noticeBatchProgress,
            Qt::QueuedConnection);
    connect(m_thread, &BatchThread::signal_jobFinished, this, &BatchAutoalignWidget::onJobFinished,
            Qt::QueuedConnection);
    connect(m_thread, &QThread::finished, this, &BatchAutoalignWidget::slot_Threadfinished, Qt::QueuedConnection);
    m_thread->start();
}

void BatchAutoalignWidget::slot_noticeBatchProgress(quint64 key, int pos, int total, QString strText)
{
    m_tasks.alignmentProgress(key, pos, total, strText);
    if (const TaskEntry *task = m_tasks.find(key))
        m_model->updateEntry(*task);
}

void BatchAutoalignWidget::onJobFinished(BatchJobOutcome outcome)
{
    m_tasks.finishAlignment(outcome.key, outcome.succeeded, outcome.reason);
    // The project list is written (and synced) after the next task has
    // started, which its thread's end, already queued, does first.
    if (!outcome.projectPath.isEmpty())
        QTimer::singleShot(0, this, [this, outcome] { recordProject(outcome); });
    slot_ReSetModel();
}

void BatchAutoalignWidget::recordProject(const BatchJobOutcome &outcome)
{
    ProjectItems &list = currentProject().projectList;
    const auto found = std::find_if(list.begin(), list.end(),
                                    [&outcome](const ProjectItem &item) { return item.path == outcome.projectPath; });
    if (found != list.end())
        found->state = outcome.srtWritten;
    else
        list.append(ProjectItem{QFileInfo(outcome.mediaPath).baseName(), outcome.srtWritten, outcome.projectPath});
    const QString listPath = projectListPath();
    QDir().mkpath(QFileInfo(listPath).absolutePath());
    if (!XmlOperate().WriteProjectList(listPath, list))
        qWarning() << "project list not written:" << listPath;
    emit SignalProxy::instance()->signal_UpdateList();
}

void BatchAutoalignWidget::slot_Threadfinished()
{
    // Only now has the worker written its files and let go of the job.
    m_thread = nullptr;
    startNextAlignment();
    slot_ReSetModel();
}

void BatchAutoalignWidget::slot_clickPauseButton()
{
    pause(selectedKeys(), true);
}

void BatchAutoalignWidget::slot_clickAllPauseButton()
{
    pause(m_tasks.keys(), false);
}

void BatchAutoalignWidget::pause(const QVector<quint64> &keys, bool stopAtBurn)
{
    const bool metBurn = m_tasks.pause(keys, stopAtBurn);
    slot_ReSetModel();
    if (metBurn)
        MsgBox::notice(this, QStringLiteral("对于视频压制任务，无法暂停！"));
}

void BatchAutoalignWidget::slot_clickDeleteButton()
{
    const TaskEntries removed = m_tasks.remove(selectedKeys());
    for (const TaskEntry &task : removed)
        if (task.isBurn() && task.state == TaskState::Running)
            m_burns->stop(task.id);
    slot_ReSetModel();
}

void BatchAutoalignWidget::slot_clickCleartmpButton()
{
    // The scratch folder holds the WAV a running job is sending.
    if (m_thread || currentProject().taskRunning) {
        MsgBox::notice(this, QStringLiteral("当前有任务正在进行中，请等待任务结束后再清除缓存！"));
        return;
    }
    MsgBox box(this);
    box.setFixedSize(350, 160);
    box.setTitle(QStringLiteral("请确认操作"));
    box.setText(QStringLiteral("确认要清除缓存？"));
    box.setOkText(QStringLiteral("确认"));
    box.setCancelText(QStringLiteral("取消"));
    if (box.exec() != QDialog::Accepted)
        return;
    const QDir folder(currentProject().tempFolder);
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(folder.filePath(name));
    auto *tip = new InfoTipWidget(this, QStringLiteral("缓存已清理"));
    tip->setAttribute(Qt::WA_DeleteOnClose);
    tip->showCentredOn(this, 1000);
}

void BatchAutoalignWidget::slot_addVideoTask(TaskItem item)
{
    if (m_tasks.hasBurn(item.inputPath, item.outputPath)) {
        MsgBox::notice(this, QStringLiteral("视频文件任务已经存在，请删除后再添加!"));
        return;
    }
    TaskEntry burn;
    burn.id = item.id;
    burn.mediaPath = item.inputPath;
    burn.textPath = item.subtitlePath;
    burn.outputPath = item.outputPath;
    burn.status = item.status;
    burn.arguments = item.arguments;
    m_tasks.addBurn(burn);
    m_burns->startNextIfIdle();
    slot_ReSetModel();
}

void BatchAutoalignWidget::slot_Convertprogress(QString tid, int iProgress)
{
    Q_UNUSED(iProgress);
    if (const TaskEntry *task = m_tasks.findBurn(tid))
        m_model->updateEntry(*task);
}

void BatchAutoalignWidget::slot_ReSetModel()
{
    const QVector<quint64> selected = selectedKeys();
    m_model->setEntries(m_tasks.entries());
    // The same tasks stay selected wherever they moved.
    QItemSelection selection;
    for (quint64 key : selected) {
        const int row = m_model->rowOf(key);
        if (row >= 0)
            selection.select(m_model->index(row, 0), m_model->index(row, TableModel::ColumnCount - 1));
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    updateButtons();
    // Changes come in bursts (a job's end starts the next): one write for all.
    m_saveTimer->start();
}

void BatchAutoalignWidget::slot_openFilePath(QModelIndex index)
{
    Q_UNUSED(index);
    const QVector<quint64> keys = selectedKeys();
    const TaskEntry *task = keys.isEmpty() ? nullptr : m_tasks.find(keys.first());
    if (task && QFileInfo(task->outputPath).isFile())
        DesktopActions::revealFile(task->outputPath);
}

void BatchAutoalignWidget::slot_openInEditor()
{
    const QVector<quint64> keys = selectedKeys();
    const TaskEntry *task = keys.isEmpty() ? nullptr : m_tasks.find(keys.first());
    if (task && !task->isBurn() && task->state == TaskState::Done)
        emit signal_openProject(task->mediaPath + QStringLiteral(".cwpro"));
}

void BatchAutoalignWidget::setHeaderSection(bool maximised)
{
    QHeaderView *header = m_table->horizontalHeader();
    if (maximised) {
        const int w = (QGuiApplication::primaryScreen()->geometry().width() - 1 - 119) / 5;
        const int widths[] = {w - 200, w + 20, w + 20, w + 110, w + 50};
        for (int i = 0; i < 5; ++i)
            header->resizeSection(i, qMax(60, widths[i]));
    } else {
        for (int i = 0; i < 5; ++i)
            header->resizeSection(i, NormalWidths[i]);
    }
}

void BatchAutoalignWidget::updateButtons()
{
    const QVector<quint64> keys = selectedKeys();
    const TaskEntry *task = keys.isEmpty() ? nullptr : m_tasks.find(keys.first());
    if (QPushButton *open = button(QStringLiteral("在编辑器中打开")))
        open->setEnabled(task && !task->isBurn() && task->state == TaskState::Done);
    if (QPushButton *output = button(QStringLiteral("打开输出")))
        output->setEnabled(task && QFileInfo(task->outputPath).isFile());
}

void BatchAutoalignWidget::saveQueue()
{
    m_saveTimer->stop();
    if (!writeTaskListFile(taskListFilePath(), m_tasks))
        qWarning() << "task queue not saved:" << taskListFilePath();
}
