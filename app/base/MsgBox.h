#pragma once

#include "base/FramedDialog.h"

class QLabel;
class QPushButton;

// The modal box used for every question and notice. OK accepts, Cancel
// rejects; No and the close button reject and set closedOrNo.
class MsgBox : public FramedDialog
{
    Q_OBJECT
public:
    explicit MsgBox(QWidget *parent = nullptr);

    void setText(const QString &text);
    void setOkText(const QString &text);
    void setCancelText(const QString &text);
    void setNoText(const QString &text);
    void showCancelButton(bool show);
    void showNoButton(bool show);
    void setButtonSize(const QSize &size);

    QString text() const;
    QString okText() const;
    QString cancelText() const;
    QString noText() const;
    bool cancelShown() const;
    bool noShown() const;

    int exec() override;
    // Escape and closing the window act as the close button.
    void reject() override;

    bool closedOrNo = false;

    // A 350x160 notice: "提示" / text / "好的".
    static void notice(QWidget *parent, const QString &text, const QString &title = QStringLiteral("提示"));

    // The "save before closing?" question: 保存 / 不保存 / 取消.
    enum class SaveChoice { Save, DontSave, Cancel };
    static SaveChoice askSaveProject(QWidget *parent);

private:
    void finishWith(int result, bool closed);

    QLabel *m_text;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QPushButton *m_no;
};
