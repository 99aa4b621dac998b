#include "platform/qtfiledialogs.h"

#include "platform/qttext.h"

#include <QFile>
#include <QFileDialog>

namespace qmxsrv {

namespace {

QString qtPatterns(const QString &stored)
{
    QStringList patterns;
    for (const QString &pattern : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty())
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return patterns.isEmpty() ? QStringLiteral("*") : patterns.join(QLatin1Char(' '));
}

// The name without the pattern list it may already show: "All (*.*)" -> "All".
QString bareName(const QString &name)
{
    QString bare = name.trimmed();
    if (bare.endsWith(QLatin1Char(')'))) {
        const qsizetype open = bare.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            bare = bare.left(open).trimmed();
    }
    return bare;
}

} // namespace

QStringList qtNameFilters(const std::string &filter)
{
    const QStringList parts = qtText(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString name = bareName(parts[i]);
        const QString stored = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (name.isEmpty() && stored.trimmed().isEmpty())
            continue; // nothing at all, or a trailing "|"
        const QString patterns = qtPatterns(stored);
        filters << (name.isEmpty() ? patterns : name) + QLatin1String(" (") + patterns +
                       QLatin1Char(')');
    }
    return filters;
}

QString qtDefaultSuffix(const std::string &extension)
{
    QString suffix = qtText(extension).trimmed();
    if (suffix.startsWith(QLatin1Char('*')))
        suffix.remove(0, 1);
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return suffix;
}

QtFileDialogs::QtFileDialogs(QWidget *parent) : parent_(parent) {}

std::string QtFileDialogs::openFile(const FileDialogRequest &request)
{
    return run(request, false);
}

std::string QtFileDialogs::saveFile(const FileDialogRequest &request) { return run(request, true); }

std::string QtFileDialogs::run(const FileDialogRequest &request, bool save)
{
    QFileDialog dialog(parent_, qtText(request.title), QFile::decodeName(request.folder.c_str()));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.first());
    }
    if (save)
        dialog.setDefaultSuffix(qtDefaultSuffix(request.defaultExtension));
    if (!request.fileName.empty())
        dialog.selectFile(QFile::decodeName(request.fileName.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

} // namespace qmxsrv
