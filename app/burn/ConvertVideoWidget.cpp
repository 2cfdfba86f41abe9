#include "burn/ConvertVideoWidget.h"

#include "base/CurrentProject.h"
#include "base/LoginState.h"
#include "base/ModalSeam.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "base/TaskItem.h"
#include "base/WindowGeometry.h"
#include "burn/BurnPreview.h"
#include "burn/PresetWidget.h"
#include "project/TaskList.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

const QString ComboStyle = QStringLiteral(
    "QComboBox { background: black; color: white; font-size: 14px; font-family: \"微软雅黑\"; "
    "border: 1px solid #333333; border-radius: 0; min-height: 26px; padding: 0 6px; }"
    "QComboBox QAbstractItemView { background: black; color: white; border: 1px solid #333333; }");

const QString ColourButtonStyle = QStringLiteral("border: 1px solid #5f5f5f;margin: 1px;background-color:rgb(%1,%2,%3);");

// Items without the dotted focus frame.
class NoFocusDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem plain = option;
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

QString colourStyle(const QColor &colour)
{
    return ColourButtonStyle.arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

// The combo's value: empty for "与源相同".
QString value(const QComboBox *combo)
{
    return BurnForm::choiceValue(combo->currentText());
}

void selectOrAdd(QComboBox *combo, const QString &text)
{
    if (text.isEmpty()) {
        combo->setCurrentIndex(0);
        return;
    }
    int index = combo->findText(text);
    if (index < 0) {
        // A preset from the file may name a value the list lacks.
        combo->addItem(text);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

} // namespace

ConvertVideoWidget::ConvertVideoWidget(QWidget *parent)
    : QWidget(parent)
    , m_presets(loadPresets(presetFilePath()))
    , m_previewer(new BurnPreview(this))
{
    setObjectName(QStringLiteral("ConvertVideoWidget"));
    setWindowTitle(QStringLiteral("视频压制"));
    setAttribute(Qt::WA_StyledBackground);
    resize(1280, 665);
    buildForm();
    rebuildPresetRows();

    SignalProxy *proxy = SignalProxy::instance();
    connect(proxy, &SignalProxy::signal_noticeSelectPresetValue, this, &ConvertVideoWidget::selectPreset);
    connect(proxy, &SignalProxy::signal_noticeCopyPresetvalue, this, &ConvertVideoWidget::copyPreset);
    connect(proxy, &SignalProxy::signal_noticeDeletePresetvalue, this, &ConvertVideoWidget::deletePreset);
    connect(m_previewer, &BurnPreview::rendered, this, [this](const QImage &frame) {
        m_preview->setPixmap(QPixmap::fromImage(frame).scaled(m_preview->size(), Qt::KeepAspectRatio,
                                                              Qt::SmoothTransformation));
        button(QStringLiteral("预览"))->setEnabled(true);
    });
    connect(m_previewer, &BurnPreview::failed, this, [this](const QString &reason) {
        m_preview->setText(QStringLiteral("预览失败：%1").arg(reason));
        button(QStringLiteral("预览"))->setEnabled(true);
    });
}

void ConvertVideoWidget::buildForm()
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    auto *body = new QHBoxLayout;
    body->setContentsMargins(24, 14, 24, 14);
    body->setSpacing(24);
    m_layout->addLayout(body, 1);

    auto *left = new QVBoxLayout;
    left->setSpacing(10);
    body->addLayout(left, 3);

    auto *files = new QGridLayout;
    files->setHorizontalSpacing(8);
    const auto fileRow = [this, files](int row, const QString &label, const QString &buttonText,
                                       void (ConvertVideoWidget::*slot)()) {
        files->addWidget(new QLabel(label, this), row, 0);
        auto *edit = new QLineEdit(this);
        edit->setAccessibleName(QString(label).remove(QStringLiteral("：")));
        files->addWidget(edit, row, 1);
        auto *browse = new QPushButton(buttonText, this);
        browse->setAccessibleName(QString(label).remove(QStringLiteral("：")) + buttonText);
        connect(browse, &QPushButton::clicked, this, slot);
        files->addWidget(browse, row, 2);
        return edit;
    };
    m_source = fileRow(0, QStringLiteral("添加视频："), QStringLiteral("浏览"), &ConvertVideoWidget::slot_clickSourceButton);
    m_subtitle = fileRow(1, QStringLiteral("添加字幕："), QStringLiteral("浏览"),
                         &ConvertVideoWidget::slot_clickSelectsrtButton);
    auto *note = new QLabel(QStringLiteral("*请使用utf-8编码格式的srt字幕文件\n"), this);
    note->setStyleSheet(QStringLiteral("color: rgb(150, 150, 150); font-size: 12px;"));
    files->addWidget(note, 2, 1);
    m_output = fileRow(3, QStringLiteral("输出文件："), QStringLiteral("选择路径"),
                       &ConvertVideoWidget::slot_clickDestinationButton);
    left->addLayout(files);

    // Each group's form; combos are found again by their label.
    const auto group = [this](const QString &title) {
        auto *box = new QGroupBox(title, this);
        auto *form = new QFormLayout(box);
        form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
        form->setHorizontalSpacing(10);
        form->setVerticalSpacing(8);
        return std::make_pair(box, form);
    };
    const auto withUnit = [this](QComboBox *combo, const QString &unit) {
        auto *row = new QWidget(this);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(combo, 1);
        auto *label = new QLabel(unit, row);
        label->setFixedWidth(34);
        layout->addWidget(label);
        return row;
    };

    auto [videoBox, video] = group(QStringLiteral("视频参数"));
    video->addRow(QStringLiteral("视频尺寸"), addCombo(QStringLiteral("视频尺寸"), BurnForm::videoSizes()));
    video->addRow(QStringLiteral("视频码率"),
                  withUnit(addCombo(QStringLiteral("视频码率"), BurnForm::videoBitrates()), QStringLiteral("kbps")));
    video->addRow(QStringLiteral("帧率"), withUnit(addCombo(QStringLiteral("帧率"), BurnForm::frameRates()),
                                                   QStringLiteral("fps")));
    video->addRow(QStringLiteral("配置"), addCombo(QStringLiteral("配置"), BurnForm::profiles()));
    // The level is part of the presets but not of the command.
    QComboBox *level = addCombo(QStringLiteral("级别"), BurnForm::levels());
    level->hide();

    auto [audioBox, audio] = group(QStringLiteral("音频参数"));
    audio->addRow(QStringLiteral("音频码率            "),
                  withUnit(addCombo(QStringLiteral("音频码率"), BurnForm::audioBitrates()), QStringLiteral("kbps")));
    audio->addRow(QStringLiteral("音频采样率"), withUnit(addCombo(QStringLiteral("音频采样率"),
                                                                  BurnForm::audioSampleRates()),
                                                         QStringLiteral("HZ")));
    auto *encoding = new QHBoxLayout;
    encoding->setSpacing(16);
    encoding->addWidget(videoBox, 1);
    auto *audioColumn = new QVBoxLayout;
    audioColumn->addWidget(audioBox);
    audioColumn->addStretch();
    encoding->addLayout(audioColumn, 1);
    left->addLayout(encoding);

    auto [styleBox, style] = group(QStringLiteral("字幕参数"));
    QComboBox *font = addCombo(QStringLiteral("字幕字体"), QFontDatabase().families());
    font->setCurrentText(BurnForm::startingFontFamily(QFontDatabase().families(),
                                                      QFontDatabase().families(QFontDatabase::SimplifiedChinese)));
    style->addRow(QStringLiteral("字幕字体"), font);
    QComboBox *size = addCombo(QStringLiteral("字体大小"), BurnForm::fontSizes());
    size->setCurrentText(QStringLiteral("16"));
    style->addRow(QStringLiteral("字体大小"), size);
    auto *checks = new QHBoxLayout;
    for (const QString &text : {QStringLiteral("粗体"), QStringLiteral("斜体"), QStringLiteral("下划线")})
        checks->addWidget(new QCheckBox(text, this));
    checks->addStretch();
    style->addRow(QString(), checks);
    m_textColour = new QPushButton(this);
    m_textColour->setAccessibleName(QStringLiteral("字幕颜色"));
    m_textColour->setFixedSize(60, 24);
    m_textColour->setStyleSheet(colourStyle(Qt::white));
    connect(m_textColour, &QPushButton::clicked, this, &ConvertVideoWidget::slot_clickSrtColorButton);
    style->addRow(QStringLiteral("字幕颜色"), m_textColour);
    QComboBox *margin = addCombo(QStringLiteral("垂直边距"), BurnForm::margins());
    margin->setCurrentText(QStringLiteral("10"));
    style->addRow(QStringLiteral("垂直边距"), margin);
    m_outlineColour = new QPushButton(this);
    m_outlineColour->setAccessibleName(QStringLiteral("字幕轮廓颜色"));
    m_outlineColour->setFixedSize(60, 24);
    m_outlineColour->setStyleSheet(colourStyle(Qt::black));
    connect(m_outlineColour, &QPushButton::clicked, this, &ConvertVideoWidget::slot_clickSrtOutlineColorButton);
    style->addRow(QStringLiteral("字幕轮廓颜色"), m_outlineColour);
    style->addRow(QStringLiteral("字幕轮廓宽度"), addCombo(QStringLiteral("字幕轮廓宽度"), BurnForm::outlineWidths()));
    left->addWidget(styleBox);
    left->addStretch();

    auto *startRow = new QHBoxLayout;
    startRow->addStretch();
    auto *start = new QPushButton(QStringLiteral("开始"), this);
    start->setFixedSize(120, 36);
    connect(start, &QPushButton::clicked, this, &ConvertVideoWidget::slot_clickStartButton);
    startRow->addWidget(start);
    left->addLayout(startRow);

    body->addWidget(buildPresetPanel(), 2);

    // Choosing other encoding values edits the selected user preset.
    for (const QString &label : {QStringLiteral("视频尺寸"), QStringLiteral("视频码率"), QStringLiteral("帧率"),
                                 QStringLiteral("配置"), QStringLiteral("音频码率"), QStringLiteral("音频采样率")})
        connect(combo(label), QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &ConvertVideoWidget::encodingChanged);
}

QWidget *ConvertVideoWidget::buildPresetPanel()
{
    auto *panel = new QWidget(this);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("编码预设"), panel));
    auto *scroll = new QScrollArea(panel);
    scroll->setWidgetResizable(true);
    auto *rows = new QWidget(scroll);
    rows->setObjectName(QStringLiteral("presetRows"));
    rows->setStyleSheet(QStringLiteral("#presetRows { background: rgb(32, 32, 32); }"));
    m_presetList = new QVBoxLayout(rows);
    m_presetList->setContentsMargins(0, 0, 0, 0);
    m_presetList->setSpacing(4);
    m_presetList->addStretch();
    scroll->setWidget(rows);
    layout->addWidget(scroll, 1);

    auto *previewBox = new QGroupBox(QStringLiteral("预览"), panel);
    auto *previewLayout = new QVBoxLayout(previewBox);
    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("时间"), previewBox));
    m_previewTime = new QDoubleSpinBox(previewBox);
    m_previewTime->setAccessibleName(QStringLiteral("预览时间"));
    m_previewTime->setRange(0, 24 * 3600);
    m_previewTime->setDecimals(1);
    m_previewTime->setSuffix(QStringLiteral(" 秒"));
    m_previewTime->setValue(5);
    m_previewTime->setStyleSheet(QStringLiteral("QDoubleSpinBox { background: rgb(28, 28, 28); color: rgb(216, 216, 216); "
                                                "border: 1px solid rgb(80, 80, 80); min-height: 26px; padding: 0 6px; }"));
    controls->addWidget(m_previewTime, 1);
    auto *previewButton = new QPushButton(QStringLiteral("预览"), previewBox);
    connect(previewButton, &QPushButton::clicked, this, &ConvertVideoWidget::slot_clickPreviewButton);
    controls->addWidget(previewButton);
    previewLayout->addLayout(controls);
    m_preview = new QLabel(previewBox);
    m_preview->setAccessibleName(QStringLiteral("预览画面"));
    m_preview->setFixedSize(400, 225);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setWordWrap(true);
    m_preview->setStyleSheet(QStringLiteral("background: black; color: rgb(200, 200, 200);"));
    previewLayout->addWidget(m_preview, 0, Qt::AlignHCenter);
    layout->addWidget(previewBox);
    return panel;
}

QComboBox *ConvertVideoWidget::addCombo(const QString &label, const QStringList &items)
{
    auto *box = new QComboBox(this);
    box->setAccessibleName(label.trimmed());
    box->setStyleSheet(ComboStyle);
    box->setView(new QListView(box));
    box->view()->setItemDelegate(new NoFocusDelegate(box));
    box->addItems(items);
    return box;
}

void ConvertVideoWidget::setTitleBar(QWidget *titleBar)
{
    m_layout->insertWidget(0, titleBar);
}

QComboBox *ConvertVideoWidget::combo(const QString &label) const
{
    for (QComboBox *candidate : findChildren<QComboBox *>())
        if (candidate->accessibleName() == label)
            return candidate;
    return nullptr;
}

QCheckBox *ConvertVideoWidget::checkBox(const QString &text) const
{
    for (QCheckBox *candidate : findChildren<QCheckBox *>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

QPushButton *ConvertVideoWidget::button(const QString &text) const
{
    for (QPushButton *candidate : findChildren<QPushButton *>())
        if (candidate->text() == text || (candidate->text().isEmpty() && candidate->accessibleName() == text))
            return candidate;
    return nullptr;
}

BurnSettings ConvertVideoWidget::settings() const
{
    BurnSettings settings;
    settings.inputPath = m_source->text().trimmed();
    settings.subtitlePath = m_subtitle->text().trimmed();
    settings.outputPath = m_output->text().trimmed();
    settings.videoSize = value(combo(QStringLiteral("视频尺寸")));
    settings.videoBitrate = value(combo(QStringLiteral("视频码率")));
    settings.frameRate = value(combo(QStringLiteral("帧率")));
    settings.audioBitrate = value(combo(QStringLiteral("音频码率")));
    settings.audioSampleRate = value(combo(QStringLiteral("音频采样率")));
    settings.profile = combo(QStringLiteral("配置"))->currentIndex();
    settings.style = m_style;
    settings.style.fontName = combo(QStringLiteral("字幕字体"))->currentText();
    settings.style.fontSize = combo(QStringLiteral("字体大小"))->currentText().toInt();
    settings.style.bold = checkBox(QStringLiteral("粗体"))->isChecked() ? 1 : 0;
    settings.style.italic = checkBox(QStringLiteral("斜体"))->isChecked() ? 1 : 0;
    settings.style.underline = checkBox(QStringLiteral("下划线"))->isChecked() ? 1 : 0;
    settings.style.marginV = combo(QStringLiteral("垂直边距"))->currentText().toInt();
    settings.style.outlineWidth = combo(QStringLiteral("字幕轮廓宽度"))->currentText().toInt();
    return settings;
}

void ConvertVideoWidget::copyFormIntoStyle()
{
    m_style = settings().style;
}

void ConvertVideoWidget::slot_clickSourceButton()
{
    const QString path = ModalSeam::openFileName(
        this, QStringLiteral("选择视频文件"), currentProject().lastFolderPath,
        QStringLiteral("视频文件(*.avi; *.mp4; *.mkv; *.mpg; *.mpeg; *.wmv; *.flv; *.mov);;所有文件(*.*)"));
    if (path.isEmpty())
        return;
    rememberDialogFolder(path);
    m_source->setText(path);
}

void ConvertVideoWidget::slot_clickSelectsrtButton()
{
    const QString path = ModalSeam::openFileName(this, QStringLiteral("选择字幕文件"), currentProject().lastFolderPath,
                                                 QStringLiteral("字幕文件(*.srt;*.ass)"));
    if (path.isEmpty())
        return;
    rememberDialogFolder(path);
    m_subtitle->setText(path);
}

void ConvertVideoWidget::slot_clickDestinationButton()
{
    const QString path = ModalSeam::saveFileName(this, QStringLiteral("保存文件"), currentProject().lastFolderPath,
                                                 QStringLiteral("mp4文件(*.mp4)"));
    if (path.isEmpty())
        return;
    rememberDialogFolder(path);
    m_output->setText(BurnForm::outputWithSuffix(path));
}

void ConvertVideoWidget::slot_addSrtchboxtoggled(bool checked)
{
    Q_UNUSED(checked);
}

void ConvertVideoWidget::setTextColour(const QColor &colour)
{
    m_textColour->setStyleSheet(colourStyle(colour));
    m_style.primaryColour = assColourString(colour.red(), colour.green(), colour.blue());
}

void ConvertVideoWidget::setOutlineColour(const QColor &colour)
{
    m_outlineColour->setStyleSheet(colourStyle(colour));
    m_style.outlineColour = assColourString(colour.red(), colour.green(), colour.blue());
}

void ConvertVideoWidget::slot_clickSrtColorButton()
{
    const QColor colour = QColorDialog::getColor(Qt::white, this, QStringLiteral("字幕颜色"));
    if (colour.isValid())
        setTextColour(colour);
}

void ConvertVideoWidget::slot_clickSrtOutlineColorButton()
{
    const QColor colour = QColorDialog::getColor(Qt::white, this, QStringLiteral("字幕轮廓颜色"));
    if (colour.isValid())
        setOutlineColour(colour);
}

void ConvertVideoWidget::prefillFromProject()
{
    const CurrentProject &project = currentProject();
    if (project.exportSrtFilePath.isEmpty())
        MsgBox::notice(this, QStringLiteral("当前工程字幕未保存或不存在，请先保存srt格式字幕文件再进行压制，"
                                            "或者自行手动添加现有字幕文件！"));
    if (burnVideoSuffixes().contains(QFileInfo(project.mediaFilePath).suffix().toLower()))
        m_source->setText(project.mediaFilePath);
    if (QFileInfo(project.exportSrtFilePath).suffix().toLower() == QLatin1String("srt"))
        m_subtitle->setText(project.exportSrtFilePath);
}

void ConvertVideoWidget::slot_Maxnormal(bool maximised)
{
    QWidget *top = window();
    const QRect area = WindowGeometry::availableArea(top);
    top->setGeometry(maximised ? area : WindowGeometry::normalGeometry(area));
}

void ConvertVideoWidget::slot_clickStartButton()
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    if (m_source->text().trimmed().isEmpty()) {
        MsgBox::notice(this, QStringLiteral("未添加视频文件，请添加！"));
        return;
    }
    if (m_output->text().trimmed().isEmpty()) {
        MsgBox::notice(this, QStringLiteral("未指定输出文件，请设置！"));
        return;
    }
    // ffmpeg names the container from the suffix, and a relative name
    // would land wherever the program was started.
    m_output->setText(QFileInfo(BurnForm::outputWithSuffix(m_output->text().trimmed())).absoluteFilePath());
    copyFormIntoStyle();
    const BurnSettings burn = settings();

    TaskItem item;
    item.id = m_ids.next();
    item.type = BurnTaskType;
    item.inputPath = burn.inputPath;
    item.subtitlePath = burn.subtitlePath;
    item.outputPath = burn.outputPath;
    item.status = QStringLiteral("等待中...");
    item.arguments = burnArguments(burn);
    // The task page refuses a task it lists already, and runs it when the
    // runner is free.
    SignalProxy *proxy = SignalProxy::instance();
    emit proxy->signal_clickTab(4, 0);
    emit proxy->signal_addVideoTask(item);
}

void ConvertVideoWidget::slot_clickPreviewButton()
{
    if (m_source->text().trimmed().isEmpty()) {
        MsgBox::notice(this, QStringLiteral("未添加视频文件，请添加！"));
        return;
    }
    copyFormIntoStyle();
    m_preview->setText(QStringLiteral("正在生成预览..."));
    button(QStringLiteral("预览"))->setEnabled(false);
    const QString png = QStringLiteral("%1/burn-preview.png").arg(currentProject().tempFolder);
    m_previewer->render(settings(), m_previewTime->value(), png);
}

void ConvertVideoWidget::rebuildPresetRows()
{
    // A row's own button may have asked for this: rows go once it returns.
    for (PresetWidget *row : m_presetRows) {
        row->hide();
        row->deleteLater();
    }
    m_presetRows.clear();
    for (int i = 0; i < m_presets.size(); ++i) {
        auto *row = new PresetWidget(i, m_presets.at(i), this);
        row->setSelected(i == m_selectedPreset);
        m_presetList->insertWidget(i, row);
        m_presetRows.append(row);
    }
}

void ConvertVideoWidget::showPresetInForm(const preset &p)
{
    BurnSettings chosen;
    applyPreset(p, chosen);
    m_fillingForm = true;
    selectOrAdd(combo(QStringLiteral("视频尺寸")), chosen.videoSize);
    selectOrAdd(combo(QStringLiteral("视频码率")), chosen.videoBitrate);
    selectOrAdd(combo(QStringLiteral("帧率")), chosen.frameRate);
    combo(QStringLiteral("配置"))->setCurrentIndex(chosen.profile);
    selectOrAdd(combo(QStringLiteral("音频码率")), chosen.audioBitrate);
    selectOrAdd(combo(QStringLiteral("音频采样率")), chosen.audioSampleRate);
    if (!p.level.isEmpty())
        selectOrAdd(combo(QStringLiteral("级别")), p.level);
    m_fillingForm = false;
}

void ConvertVideoWidget::selectPreset(int index)
{
    if (index < 0 || index >= m_presets.size())
        return;
    m_selectedPreset = index;
    for (PresetWidget *row : m_presetRows)
        row->setSelected(row->index() == index);
    showPresetInForm(m_presets.at(index));
}

void ConvertVideoWidget::copyPreset(int index)
{
    if (index < 0 || index >= m_presets.size())
        return;
    preset copy = m_presets.at(index);
    copy.name = BurnForm::newPresetName(m_presets);
    copy.type = 1;
    m_presets.append(copy);
    savePresets();
    rebuildPresetRows();
    selectPreset(m_presets.size() - 1);
}

void ConvertVideoWidget::deletePreset(int index)
{
    if (index < 0 || index >= m_presets.size() || m_presets.at(index).type == 0)
        return;
    m_presets.remove(index);
    if (m_selectedPreset == index)
        m_selectedPreset = -1;
    else if (m_selectedPreset > index)
        --m_selectedPreset;
    savePresets();
    rebuildPresetRows();
}

void ConvertVideoWidget::encodingChanged()
{
    if (m_fillingForm || m_selectedPreset < 0)
        return;
    preset &selected = m_presets[m_selectedPreset];
    if (selected.type == 0) {
        // The form no longer shows the built-in preset.
        m_selectedPreset = -1;
        for (PresetWidget *row : m_presetRows)
            row->setSelected(false);
        return;
    }
    // The user's own preset follows the form.
    preset edited = BurnForm::presetFromSettings(settings(), selected.name);
    edited.level = selected.level;
    selected = edited;
    savePresets();
    rebuildPresetRows();
}

void ConvertVideoWidget::savePresets()
{
    if (!writePresets(presetFilePath(), m_presets))
        MsgBox::notice(this, QStringLiteral("预设保存失败：%1").arg(presetFilePath()));
}
