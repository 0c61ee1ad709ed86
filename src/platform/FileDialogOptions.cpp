#include "FileDialogOptions.h"

#include <QStringList>

QString FileDialogOptions::folder() const
{
    const qsizetype slash = fileName.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return fileName.left(slash);
}

QString FileDialogOptions::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString &p : patterns)
            p = p.trimmed();
        const QString patternText = patterns.join(u' ');
        // The toolkit takes the patterns from the last "(...)" of an entry.
        const QString suffix = u'(' + patternText + u')';
        entries.append(description.endsWith(suffix) ? description : description + u' ' + suffix);
    }
    return entries.join(QStringLiteral(";;"));
}
