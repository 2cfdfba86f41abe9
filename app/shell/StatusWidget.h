#pragma once

#include <QWidget>

class QToolButton;

// The bottom tab bar: four tabs, one per page.
class StatusWidget : public QWidget
{
    Q_OBJECT
public:
    explicit StatusWidget(QWidget *parent = nullptr);

    // "toolButton_Tab1" -> 1 ... ; 4 when nothing matches.
    static int tabNumberForName(const QString &objectName);
    QToolButton *tabButton(int i) const;
    int highlightedTab() const { return m_highlighted; }

public slots:
    void slot_clickTabBtn();
    int slot_clickTabChangeIcon(int i, int index);

private:
    QToolButton *m_tabs[4];
    int m_highlighted = 0;
};
