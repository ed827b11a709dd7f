#include "ui/internal/filechooser.h"

#include "ui/internal/folderchooser.h"
#include "ui/internal/windowwidget.h"

#include <QDir>
#include <QFileDialog>

namespace zem::ui {

std::vector<std::string> NameFilters(const std::string& filter)
{
    std::vector<std::string> filters;
    const QStringList parts = QString::fromLatin1(filter.data(), qsizetype(filter.size())).split('|');
    // An empty description ends the list, as the closing "||" does.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';')) {
            if (!pattern.trimmed().isEmpty())
                patterns << (pattern.trimmed() == "*.*" ? QString("*") : pattern.trimmed());
        }
        if (patterns.isEmpty())
            continue;
        QString description = parts[i];
        if (description.endsWith(')') && description.contains('('))
            description.truncate(description.lastIndexOf('('));
        description = description.trimmed();
        const QString name = (description.isEmpty() ? "" : description + " ") + "(" + patterns.join(' ') + ")";
        filters.push_back(name.toLatin1().toStdString());
    }
    return filters;
}

bool AskOpenFile(HWND owner, const std::string& filter, std::string& chosen)
{
    QFileDialog dialog(WidgetOf(owner), QString(), QDir::currentPath());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList names;
    for (const std::string& name : NameFilters(filter))
        names << QString::fromLatin1(name.data(), qsizetype(name.size()));
    if (!names.isEmpty())
        dialog.setNameFilters(names);
    return RunFileDialog(dialog, chosen);
}

}  // namespace zem::ui
