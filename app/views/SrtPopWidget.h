#pragma once

#include "base/AutoHidePopup.h"
#include "subtitle/TagColor.h"

#include <QColor>
#include <array>

class ClickableLabel;
class QRadioButton;

// The list editor's right-click pop-up for one row: five colour tags, merge
// with the previous or next entry, split, insert before or after, delete.
// Hides after a second unless the pointer comes in, and when it leaves.
class SrtPopWidget : public AutoHidePopup
{
    Q_OBJECT
public:
    explicit SrtPopWidget(QWidget *parent = nullptr);

    // The row the next choice applies to, how many rows the list has (the
    // first row has no previous entry, the last no next one) and the row's
    // tag, whose button is checked (gray when it is none of the five).
    void setRow(int row, int rowCount, const TagColor &tag);
    int row() const { return m_row; }

    QRadioButton *colourButton(int index) const;
    ClickableLabel *commandLabel(const QString &objectName) const;

signals:
    void signal_noticeColorTag(int iRow, QColor color);
    void signal_noticeCommand(int iRow, QString str);

public slots:
    void slot_clickColorButton();
    void slot_clickCommandLabel();
    void slot_timeout();

protected:
    void graceEnded() override;

private:
    ClickableLabel *addCommand(const QString &text, const QString &objectName);

    int m_row = -1;
    int m_rowCount = 0;
    std::array<QRadioButton *, 5> m_colours {};
    QList<ClickableLabel *> m_commands;
};
