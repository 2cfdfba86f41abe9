#include "base/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The text inside the last parentheses of a filter, where its patterns are;
// the export filters write them full-width ("SubRip-SRT（*.srt）").
QString patternGroup(const QString &nameFilter)
{
    static const QRegularExpression open(QStringLiteral("[(\\x{FF08}]"));
    static const QRegularExpression close(QStringLiteral("[)\\x{FF09}]"));
    const int from = nameFilter.lastIndexOf(open);
    const int to = nameFilter.lastIndexOf(close);
    if (from < 0 || to < from)
        return nameFilter;
    return nameFilter.mid(from + 1, to - from - 1);
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
