#include "base/AccessibleNames.h"

#include "base/ClickableLabel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

namespace {

bool wantsName(const QWidget *widget)
{
    return qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const ClickableLabel *>(widget)
           || qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget)
           || qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractItemView *>(widget);
}

QString plainText(QString text)
{
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    while (text.endsWith(QChar(0xFF1A)) || text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}

QString visibleText(const QWidget *widget)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return plainText(button->text());
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->textFormat() == Qt::RichText ? QString() : plainText(label->text());
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return plainText(edit->placeholderText());
    return QString();
}

QString formLabelText(const QWidget *widget)
{
    const QWidget *parent = widget->parentWidget();
    if (!parent)
        return QString();
    for (const QFormLayout *form : parent->findChildren<QFormLayout *>()) {
        if (const auto *label = qobject_cast<const QLabel *>(form->labelForField(const_cast<QWidget *>(widget))))
            return plainText(label->text());
    }
    return QString();
}

class AccessibleNamer : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            // Widgets showing text are named by it through Qt itself, and
            // stay right when the text changes later.
            if (widget->accessibleName().isEmpty() && wantsName(widget) && visibleText(widget).isEmpty())
                widget->setAccessibleName(fallbackAccessibleName(widget));
        }
        return false;
    }
};

} // namespace

QString fallbackAccessibleName(const QWidget *widget)
{
    for (const QString &candidate :
         {visibleText(widget), formLabelText(widget), plainText(widget->toolTip()),
          widget->property("name").toString(), widget->objectName()}) {
        if (!candidate.isEmpty())
            return candidate;
    }
    return QString();
}

void installAccessibleNames(QApplication &app)
{
    app.installEventFilter(new AccessibleNamer(&app));
}
