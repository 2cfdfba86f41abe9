#include "base/MsgBox.h"

#include "base/ModalSeam.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MsgBox::MsgBox(QWidget *parent)
    : FramedDialog(QStringLiteral("提示"), parent)
{
    setObjectName(QStringLiteral("MsgBox"));
    setModal(true);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("dialogText"));
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignCenter);

    m_ok = new QPushButton(QStringLiteral("好的"), this);
    m_ok->setObjectName(QStringLiteral("primaryButton"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_no = new QPushButton(QStringLiteral("取消"), this);
    m_no->hide();
    connect(m_ok, &QPushButton::clicked, this, [this] { finishWith(QDialog::Accepted, false); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { finishWith(QDialog::Rejected, false); });
    connect(m_no, &QPushButton::clicked, this, [this] { finishWith(QDialog::Rejected, true); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_no);
    buttons->addStretch();

    contentLayout()->setContentsMargins(16, 0, 16, 14);
    contentLayout()->addWidget(m_text, 1);
    contentLayout()->addLayout(buttons);
}

void MsgBox::setText(const QString &text) { m_text->setText(text); }
void MsgBox::setOkText(const QString &text) { m_ok->setText(text); }
void MsgBox::setCancelText(const QString &text) { m_cancel->setText(text); }
void MsgBox::setNoText(const QString &text) { m_no->setText(text); }
void MsgBox::showCancelButton(bool show) { m_cancel->setVisible(show); }
void MsgBox::showNoButton(bool show) { m_no->setVisible(show); }

void MsgBox::setButtonSize(const QSize &size)
{
    for (QPushButton *button : {m_ok, m_cancel, m_no})
        button->setFixedSize(size);
}

QString MsgBox::text() const { return m_text->text(); }
QString MsgBox::okText() const { return m_ok->text(); }
QString MsgBox::cancelText() const { return m_cancel->text(); }
QString MsgBox::noText() const { return m_no->text(); }
bool MsgBox::cancelShown() const { return !m_cancel->isHidden(); }
bool MsgBox::noShown() const { return !m_no->isHidden(); }

int MsgBox::exec()
{
    closedOrNo = false;
    if (const auto &answerer = ModalSeam::boxAnswerer()) {
        switch (answerer(*this)) {
        case ModalSeam::Answer::Ok:
            setResult(QDialog::Accepted);
            break;
        case ModalSeam::Answer::Cancel:
            setResult(QDialog::Rejected);
            break;
        case ModalSeam::Answer::No:
            setResult(QDialog::Rejected);
            closedOrNo = true;
            break;
        }
        return result();
    }
    return QDialog::exec();
}

void MsgBox::reject()
{
    closedOrNo = true;
    QDialog::reject();
}

void MsgBox::finishWith(int result, bool closed)
{
    closedOrNo = closed;
    done(result);
}

void MsgBox::notice(QWidget *parent, const QString &text, const QString &title)
{
    MsgBox box(parent);
    box.setFixedSize(350, 160);
    box.setTitle(title);
    box.setText(text);
    box.setOkText(QStringLiteral("好的"));
    box.showCancelButton(false);
    box.exec();
}

MsgBox::SaveChoice MsgBox::askSaveProject(QWidget *parent)
{
    MsgBox box(parent);
    box.setFixedSize(500, 160);
    box.setTitle(QStringLiteral("提示"));
    box.setText(QStringLiteral("您正在关闭当前工程，请确认在关闭前是否保存？"));
    box.setOkText(QStringLiteral("保存"));
    box.setCancelText(QStringLiteral("不保存"));
    box.setNoText(QStringLiteral("取消"));
    box.showNoButton(true);
    if (box.exec() == QDialog::Accepted)
        return SaveChoice::Save;
    return box.closedOrNo ? SaveChoice::Cancel : SaveChoice::DontSave;
}
