#pragma once

#include <QWidget>

class QLabel;

// One tile of the task chooser: title, description, remark.
class SrtTasktypeITem : public QWidget
{
    Q_OBJECT
public:
    SrtTasktypeITem(const QString &title, const QString &description, const QString &remark,
                    QWidget *parent = nullptr);

signals:
    void signal_ClickSrtTaskItem();

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setHighlighted(bool highlighted);

    QLabel *m_title;
    QLabel *m_description;
    QLabel *m_remark;
};
