#pragma once

#include "project/BurnPresets.h"

#include <QWidget>

class QLabel;
class QPushButton;

// One preset row of the burn page: its caption and summary, "复制" and
// "删除" (the user's own presets only). A click on the row selects the
// preset; row and buttons speak through the hub with the row's index.
class PresetWidget : public QWidget
{
    Q_OBJECT
public:
    PresetWidget(int index, const preset &p, QWidget *parent = nullptr);

    int index() const { return m_index; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QPushButton *copyButton() const { return m_copy; }
    QPushButton *deleteButton() const { return m_delete; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_index;
    bool m_selected = false;
    QPushButton *m_copy;
    QPushButton *m_delete;
};
