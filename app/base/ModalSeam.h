#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class MsgBox;
class QWidget;

// The one place where modal pieces can be answered without a person:
// tests install answerers, the program leaves them empty.
class ModalSeam
{
public:
    enum class Answer { Ok, Cancel, No };

    struct FileRequest
    {
        bool save = false;
        QString caption;
        QString folder;
        QString filter;
        bool multiple = false;
    };

    using BoxAnswerer = std::function<Answer(const MsgBox &box)>;
    using FileAnswerer = std::function<QString(const FileRequest &request)>;

    static void setBoxAnswerer(BoxAnswerer answerer);
    static const BoxAnswerer &boxAnswerer();
    static void setFileAnswerer(FileAnswerer answerer);

    // File choosers; an empty result means cancelled.
    static QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                const QString &filter);
    // Several files at once; a test answerer gives them one a line.
    static QStringList openFileNames(QWidget *parent, const QString &caption, const QString &folder,
                                     const QString &filter);
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                const QString &filter);
};
