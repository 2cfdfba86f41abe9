#include "base/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The text inside the last parentheses of a filter, where its patterns are.
QString patternGroup(const QString &nameFilter)
{
    const int open = nameFilter.lastIndexOf(QLatin1Char('('));
    const int close = nameFilter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return nameFilter;
    return nameFilter.mid(open + 1, close - open - 1);
}

} // namespace

namespace FileChooser {

QStringList patterns(const QString &nameFilter)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    return patternGroup(nameFilter).split(separators, Qt::SkipEmptyParts);
}

QStringList nameFilters(const QString &filter)
{
    QStringList result;
    for (const QString &visible : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts))
        result << QStringLiteral("%1 (%2)").arg(visible, patterns(visible).join(QLatin1Char(' ')));
    return result;
}

QString defaultSuffix(const QString &filter)
{
    const QStringList filters = filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    if (filters.isEmpty())
        return QString();
    const QString first = patterns(filters.first()).value(0);
    if (!first.startsWith(QStringLiteral("*.")))
        return QString();
    const QString suffix = first.mid(2);
    return suffix.contains(QLatin1Char('*')) ? QString() : suffix;
}

void setUp(QFileDialog &dialog, const QString &filter, bool save)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(nameFilters(filter));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix(filter));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
}

} // namespace FileChooser
