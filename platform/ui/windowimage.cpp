#include "ui/windowimage.h"

#include "ui/application.h"
#include "ui/internal/windowwidget.h"

#include <QPixmap>
#include <QString>

namespace zem {

bool SaveWindowImage(HWND hwnd, const std::string& pngPath)
{
    if (!IsUiThread())
        return false;
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    return widget && widget->grab().save(QString::fromLocal8Bit(pngPath.c_str()), "PNG");
}

}  // namespace zem
