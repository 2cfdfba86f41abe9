#include "shell/StatusWidget.h"

#include "base/SignalProxy.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {
const char *const kTabImages[4] = {"one", "two", "three", "four"};
}

StatusWidget::StatusWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("statusW"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(55);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch();
    for (int i = 0; i < 4; ++i) {
        m_tabs[i] = new QToolButton(this);
        m_tabs[i]->setObjectName(QStringLiteral("toolButton_Tab%1").arg(i + 1));
        // The tab images are drawn 320 wide: four fill the 1280-pixel window.
        m_tabs[i]->setFixedSize(320, 55);
        m_tabs[i]->setCursor(Qt::PointingHandCursor);
        m_tabs[i]->setFocusPolicy(Qt::NoFocus);
        connect(m_tabs[i], &QToolButton::clicked, this, &StatusWidget::slot_clickTabBtn);
        layout->addWidget(m_tabs[i]);
    }
    layout->addStretch();
    slot_clickTabChangeIcon(1, 0);
}

int StatusWidget::tabNumberForName(const QString &objectName)
{
    const QString name = objectName.toUpper().trimmed();
    for (int i = 1; i <= 3; ++i) {
        if (name.contains(QStringLiteral("TAB%1").arg(i)))
            return i;
    }
    return 4;
}

QToolButton *StatusWidget::tabButton(int i) const
{
    return i >= 1 && i <= 4 ? m_tabs[i - 1] : nullptr;
}

void StatusWidget::slot_clickTabBtn()
{
    const QObject *source = sender();
    const int number = tabNumberForName(source ? source->objectName() : QString());
    emit SignalProxy::instance()->signal_clickTab(number, 0);
}

int StatusWidget::slot_clickTabChangeIcon(int i, int index)
{
    Q_UNUSED(index);
    for (int tab = 1; tab <= 4; ++tab) {
        const char *state = tab == i ? "hover" : "normal";
        m_tabs[tab - 1]->setStyleSheet(QStringLiteral("border-image: url(:/image/bottom/%1_%2.png)")
                                           .arg(QLatin1String(kTabImages[tab - 1]), QLatin1String(state)));
    }
    m_highlighted = i;
    return i;
}
