#pragma once

#include <QPoint>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;

// What the editor's and the start page's title bars share: logo, account
// buttons, window buttons, the user-name label and dragging the frameless
// window. Subclasses add their own buttons after the logo.
class TitleBarWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TitleBarWidget(QWidget *parent = nullptr);

    QToolButton *button(const QString &name) const;
    QLabel *userNameLabel() const { return m_userName; }
    bool isMaximised() const { return m_maximised; }

signals:
    void signal_Maxnormal(bool maximised);
    void signal_closeClicked();

public slots:
    void slot_noticeLoginSuccess(QString userName);
    void slot_NoticeLogout();
    void showMaxNormal();

protected:
    // Adds a tool button with the "name" property the style sheet selects on.
    QToolButton *addNamedButton(QHBoxLayout *layout, const QString &name, const QString &text = QString());
    QHBoxLayout *leadingLayout() const { return m_leading; }

    void resizeEvent(QResizeEvent *event) override;

private:
    void showUserName();

    QHBoxLayout *m_leading;
    QLabel *m_userName;
    QString m_fullUserName;
    bool m_maximised = false;
};
