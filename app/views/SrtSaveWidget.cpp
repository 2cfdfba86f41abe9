#include "views/SrtSaveWidget.h"

#include "base/CurrentProject.h"
#include "base/ModalSeam.h"
#include "base/MsgBox.h"
#include "subtitle/EncodingLoss.h"
#include "subtitle/SubtitleList.h"
#include "views/ExportFormats.h"

#include <QComboBox>
#include <QDebug>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const int Utf8Index = 3;

// Tells the close button and Escape apart from the third button: both
// reject and set closedOrNo, but only closing the box calls reject().
class ChoiceBox : public MsgBox
{
public:
    using MsgBox::MsgBox;
    bool dismissed = false;

    void reject() override
    {
        dismissed = true;
        MsgBox::reject();
    }
};

} // namespace

SrtSaveWidget::SrtSaveWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("导出字幕"), parent, Qt::Tool)
{
    setObjectName(QStringLiteral("SrtSaveWidget"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(440, 300);

    auto *formatLabel = new QLabel(QStringLiteral("选择输出文件格式："), this);
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("comboBox_Format"));
    m_format->setAccessibleName(QStringLiteral("输出文件格式"));
    for (const ExportFormat &format : exportFormats())
        m_format->addItem(format.label);
    formatLabel->setBuddy(m_format);

    auto *encodingLabel = new QLabel(QStringLiteral("设定输出文件编码："), this);
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("comboBox_Encoding"));
    m_encoding->setAccessibleName(QStringLiteral("输出文件编码"));
    m_encoding->addItems(exportCodecNames());
    encodingLabel->setBuddy(m_encoding);

    auto *note = new QLabel(
        QStringLiteral("SRT格式可设定不同编码，来适应不同的操作环境，ASS等格式则固\n定适应UTF-8编码"), this);
    note->setObjectName(QStringLiteral("label_Note"));

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(24, 8, 24, 18);
    layout->setSpacing(6);
    layout->addWidget(formatLabel);
    layout->addWidget(m_format);
    layout->addSpacing(6);
    layout->addWidget(encodingLabel);
    layout->addWidget(m_encoding);
    layout->addSpacing(6);
    layout->addWidget(note);
    const ActionButtons buttons = addActionButtons(QStringLiteral("保存"));

    connect(m_format, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &SrtSaveWidget::slot_fileFormatComboboxIndexChanged);
    connect(buttons.primary, &QPushButton::clicked, this, &SrtSaveWidget::slot_clickSaveButton);
    connect(buttons.cancel, &QPushButton::clicked, this, &SrtSaveWidget::slot_clickCancelButton);
}

void SrtSaveWidget::slot_fileFormatComboboxIndexChanged(int index)
{
    if (index < 0 || index >= exportFormats().size())
        return;
    const bool fixedUtf8 = exportFormats().at(index).fixedUtf8;
    m_encoding->setCurrentIndex(fixedUtf8 ? Utf8Index : 0);
    m_encoding->setEnabled(!fixedUtf8);
}

void SrtSaveWidget::slot_clickCancelButton()
{
    qDebug() << "cancel";
    close();
}

void SrtSaveWidget::slot_clickSaveButton()
{
    const int formatIndex = m_format->currentIndex();
    if (formatIndex < 0 || formatIndex >= exportFormats().size())
        return;
    const ExportFormat &format = exportFormats().at(formatIndex);

    // A copy, so no lock is held while the user answers or the file is written.
    const SubtitleEntries entries = currentSubtitleList().snapshot();
    QString codecName = m_encoding->currentText();
    if (!format.fixedUtf8) {
        codecName = confirmCodec(codecName, countUnencodableCharacters(entries, codecName));
        if (codecName.isEmpty())
            return;
    }

    CurrentProject &project = currentProject();
    const QString proposed
        = exportStem(exportBaseFile(project.mediaFilePath, project.subtitleFilePath)) + format.extension;
    const QString chosen = ModalSeam::saveFileName(this, QStringLiteral("保存字幕"), proposed, format.filter);
    if (chosen.isEmpty())
        return;
    const QString path = withExportExtension(chosen, format.extension);
    // The chooser asked about the name it returned, not about the one we write.
    if (path != chosen && QFileInfo::exists(path) && !confirmOverwrite(path))
        return;

    if (!writeSubtitleFile(format.format, entries, path, codecName, proposed)) {
        MsgBox::notice(this, QStringLiteral("字幕导出失败，请检查保存位置是否可写！"));
        return;
    }
    if (exportRemembersFolder(format.format))
        rememberDialogFolder(path);
    if (exportRemembersPath(format.format))
        project.exportSrtFilePath = path;
    close();
}

QString SrtSaveWidget::confirmCodec(const QString &codecName, int lostCharacters)
{
    if (lostCharacters <= 0)
        return codecName;
    ChoiceBox box(this);
    box.setFixedSize(520, 180);
    box.setText(QStringLiteral("所选编码无法保存其中 %1 个字符，将被替换为“?”。建议改用 UTF-8 或 GB18030 编码。")
                    .arg(lostCharacters));
    box.setOkText(QStringLiteral("改用UTF-8"));
    box.setCancelText(QStringLiteral("改用GB18030"));
    box.setNoText(QStringLiteral("仍然导出"));
    box.showNoButton(true);
    const int result = box.exec();
    if (box.dismissed)
        return QString();
    QString chosen = codecName;
    if (result == QDialog::Accepted)
        chosen = QStringLiteral("UTF-8");
    else if (!box.closedOrNo)
        chosen = QStringLiteral("GB18030");
    // The list shows what the file is written in.
    m_encoding->setCurrentIndex(exportCodecNames().indexOf(chosen));
    return chosen;
}

bool SrtSaveWidget::confirmOverwrite(const QString &path)
{
    MsgBox box(this);
    box.setFixedSize(420, 170);
    box.setText(QStringLiteral("文件“%1”已存在，是否覆盖？").arg(QFileInfo(path).fileName()));
    box.setOkText(QStringLiteral("覆盖"));
    box.setCancelText(QStringLiteral("取消"));
    return box.exec() == QDialog::Accepted;
}
