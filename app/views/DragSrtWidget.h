#pragma once

#include "views/DropAreaWidget.h"

// The subtitle list before anything is loaded: drop or pick a text file.
class DragSrtWidget : public DropAreaWidget
{
    Q_OBJECT
public:
    explicit DragSrtWidget(QWidget *parent = nullptr);

    // A drop's files: only the first is opened.
    void announceFiles(const QStringList &files);

public slots:
    void slot_Labelclick();

protected:
    void filesDropped(const QStringList &files) override { announceFiles(files); }
    void clicked() override { slot_Labelclick(); }
};
