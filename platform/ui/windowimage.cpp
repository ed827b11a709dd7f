#include "ui/windowimage.h"

#include "ui/application.h"
#include "ui/internal/windowtable.h"

#include <QPixmap>
#include <QWidget>

namespace zem {

bool SaveWindowImage(HWND hwnd, const std::string& pngPath)
{
    if (!IsUiThread())
        return false;
    const std::shared_ptr<ui::WindowRecord> record = ui::Windows().Find(hwnd);
    if (!record || !record->widget)
        return false;
    return record->widget->grab().save(QString::fromLocal8Bit(pngPath.c_str()), "PNG");
}

}  // namespace zem
