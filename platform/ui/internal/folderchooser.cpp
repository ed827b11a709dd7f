#include "ui/internal/folderchooser.h"

#include "ui/internal/windowwidget.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace zem::ui {

bool AskFolder(HWND owner, const std::string& startFolder, std::string& chosen)
{
    // File names are bytes: the toolkit's own file-name codec turns them into text and back.
    const QString start = startFolder.empty() ? QDir::currentPath()
                                              : QFile::decodeName(QByteArray::fromStdString(startFolder));
    QFileDialog dialog(WidgetOf(owner), QString(), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return RunFileDialog(dialog, chosen);
}

bool RunFileDialog(QFileDialog& dialog, std::string& chosen)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(dialog.selectedFiles().first());
    if (path.isEmpty())
        return false;
    chosen = path.toStdString();
    return true;
}

}  // namespace zem::ui
