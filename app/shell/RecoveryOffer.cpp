#include "shell/RecoveryOffer.h"

#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "subtitle/RecoverySession.h"
#include "subtitle/SubtitleList.h"

#include <QDialog>

bool offerRecovery(QWidget *parent, RecoverySession &session)
{
    if (!session.hasCopyFromUncleanExit())
        return false;
    SubtitleEntries entries;
    if (!session.readCopy(&entries) || entries.isEmpty()) {
        session.discardCopy();
        return false;
    }

    MsgBox box(parent);
    box.setFixedSize(460, 170);
    box.setTitle(QStringLiteral("恢复字幕"));
    box.setText(QStringLiteral("上次程序未正常关闭，有 %1 条字幕尚未保存。是否恢复？").arg(entries.size()));
    box.setOkText(QStringLiteral("恢复"));
    box.setCancelText(QStringLiteral("放弃"));
    if (box.exec() != QDialog::Accepted) {
        // Closing the box keeps the copy for the next start; only "放弃" drops it.
        if (!box.closedOrNo)
            session.discardCopy();
        return false;
    }

    SignalProxy *proxy = SignalProxy::instance();
    emit proxy->signal_clickTab(2, 0);
    currentSubtitleList().replaceDocument(entries);
    emit proxy->signal_StartEditSrt();
    return true;
}
