#include "update/UpdatePrompt.h"

#include "base/MsgBox.h"
#include "update/UpdaterLauncher.h"

UpdatePromptResult offerUpdate(QWidget *parent, const UpdateOffer &offer, const UpdaterLauncher &launcher,
                               const ClosingSteps &steps)
{
    MsgBox box(parent);
    // Notes need the room of a second paragraph.
    box.setFixedSize(offer.notes.isEmpty() ? QSize(350, 160) : QSize(420, 200));
    box.setTitle(QStringLiteral("软件更新"));
    box.setText(updateQuestionText(offer));
    box.setOkText(QStringLiteral("好的"));
    box.setCancelText(QStringLiteral("下次吧"));
    if (box.exec() != QDialog::Accepted)
        return UpdatePromptResult::Declined;
    if (steps.confirm && !steps.confirm())
        return UpdatePromptResult::KeptOpen;
    QString error;
    if (!launcher.start(offer.url, &error)) {
        MsgBox::notice(parent, QStringLiteral("无法启动更新程序，本次不更新。\n%1").arg(error));
        return UpdatePromptResult::StartFailed;
    }
    if (steps.finish)
        steps.finish();
    return UpdatePromptResult::Started;
}

QString updateQuestionText(const UpdateOffer &offer)
{
    const QString question = QStringLiteral("软件有新版本，是否更新？");
    if (offer.notes.isEmpty())
        return question;
    // The notes come from the network: shown as text, never as markup.
    return question + QStringLiteral("<br><br>") + offer.notes.toHtmlEscaped();
}
