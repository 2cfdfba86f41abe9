#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// A tile of the start page's task pages that holds one chosen file: a
// click opens the chooser for its type, a refused name keeps the file it had.
class FileSelectWidget : public QWidget
{
    Q_OBJECT
public:
    enum Type { Media = 1, Transcript = 2 };

    explicit FileSelectWidget(QWidget *parent = nullptr);

    void setType(int type);
    int fileType() const { return m_fileType; }
    QString filePath() const { return m_filePath; }
    QLabel *nameLabel() const { return m_label; }
    // Empties the label and the path and puts the picture back.
    void clear();

    // The label text for a file name: one line below 14 characters, else
    // the first 13 and the rest on two lines.
    static QString labelTextFor(const QString &fileName);

signals:
    void signal_OpenFileDialog();

public slots:
    void slot_OpenFileDialog();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString chooseFile();
    void showPicture(bool show);

    int m_fileType = Media;
    QString m_filePath;
    QLabel *m_label;
};

// A task page's body, shared by both pages: the tiles side by side, "开始"
// centred below. Returns the start button.
QPushButton *layOutTaskPage(QWidget *page, const QList<FileSelectWidget *> &tiles);

// What both pages check before asking for a job: a log-in (else the log-in
// window is asked for) and a chosen medium (else "请先选择媒体文件！").
bool taskPageMayStart(QWidget *page, const QString &mediaPath);
