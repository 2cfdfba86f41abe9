#pragma once

#include "views/DropAreaWidget.h"

// The player panel before a medium is loaded: drop or pick media files.
class VideoSelectWidget : public DropAreaWidget
{
    Q_OBJECT
public:
    explicit VideoSelectWidget(QWidget *parent = nullptr);

    // Announces each file in order; the first with an unacceptable name
    // shows "非法的文件名!" and the rest are ignored.
    void announceFiles(const QStringList &files);

protected:
    void filesDropped(const QStringList &files) override { announceFiles(files); }
    void clicked() override;
};
