#include "base/GuiResources.h"

#include <QFont>
#include <QFontDatabase>
#include <QtGlobal>

static void initResourcesOutsideNamespace()
{
    Q_INIT_RESOURCE(resources);
}

void initGuiResources()
{
    initResourcesOutsideNamespace();
}

namespace {

QString installedChineseFamily(const QFontDatabase &fonts)
{
    const QStringList families = fonts.families(QFontDatabase::SimplifiedChinese);
    // A proportional face reads better in the windows than a fixed one.
    for (const QString &family : families) {
        if (!fonts.isFixedPitch(family))
            return family;
    }
    return families.isEmpty() ? QString() : families.first();
}

} // namespace

QString registerChineseFontSubstitutes()
{
    const QStringList named = {QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei")};
    QFontDatabase fonts;
    for (const QString &family : named) {
        if (fonts.hasFamily(family))
            return family;
    }
    const QString substitute = installedChineseFamily(fonts);
    if (substitute.isEmpty())
        return QString();
    for (const QString &family : named)
        QFont::insertSubstitution(family, substitute);
    return substitute;
}
