#pragma once

#include "base/FramedDialog.h"
#include "subtitle/FindReplace.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Find and replace in the subtitle texts: the fields and buttons only. The
// list editor does the searching and replacing on its signals and reports
// back with setStatus().
class FindReplaceWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit FindReplaceWidget(QWidget *parent = nullptr);

    FindQuery query() const;
    QString replacement() const;

    // Shows the window with the find (or replace) field ready for typing.
    void showFind();
    void showReplace();
    void setStatus(const QString &text);
    QString status() const;

    QLineEdit *findField() const { return m_find; }
    QLineEdit *replaceField() const { return m_replace; }
    QCheckBox *matchCaseBox() const { return m_matchCase; }
    QPushButton *button(const QString &objectName) const;

signals:
    void signal_findNext();
    void signal_findPrevious();
    void signal_replace();
    void signal_replaceAll();

private:
    QPushButton *addButton(const QString &text, const QString &objectName);
    void present(QLineEdit *field);

    QLineEdit *m_find;
    QLineEdit *m_replace;
    QCheckBox *m_matchCase;
    QLabel *m_status;
    QList<QPushButton *> m_buttons;
};
