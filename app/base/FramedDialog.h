#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;

// The frame every dialog of the program shares: no system frame, a title
// row with the visible title and a close button, dragged by that row. The
// window title always equals the visible title. The close button rejects.
class FramedDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int TitleRowHeight = 30;

    explicit FramedDialog(const QString &title, QWidget *parent = nullptr,
                          Qt::WindowFlags flags = Qt::Dialog);

    void setTitle(const QString &title);
    QString title() const;
    QToolButton *closeButton() const { return m_close; }

protected:
    // What goes under the title row.
    QVBoxLayout *contentLayout() const { return m_content; }

    struct ActionButtons
    {
        QPushButton *primary;
        QPushButton *cancel;
    };
    // The row that ends a dialog: a stretch, then the primary button
    // ("primaryButton") and the cancel button ("pushButton_Cancel"), below
    // a stretch that keeps it at the bottom.
    ActionButtons addActionButtons(const QString &primaryText, const QString &cancelText = QStringLiteral("取消"));

private:
    QLabel *m_title;
    QToolButton *m_close;
    QVBoxLayout *m_content;
};
