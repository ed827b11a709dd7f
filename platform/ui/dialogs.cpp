#include "ui/dialogs.h"

#include "ui/internal/gdiobjects.h"
#include "ui/internal/hooks.h"
#include "ui/internal/okcancel.h"
#include "ui/internal/windowwidget.h"

#include <QColorDialog>
#include <QDialog>
#include <QFontDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zem {
namespace {

// The font dialog with a colour button: the window system's font dialog chooses the text
// colour too (CF_EFFECTS).
bool AskFont(CHOOSEFONT& dialog)
{
    QDialog box(ui::WidgetOf(dialog.hwndOwner));
    box.setWindowTitle("Schriftart");
    auto* layout = new QVBoxLayout(&box);
    auto* fonts = new QFontDialog(&box);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons);
    if (dialog.lpLogFont)
        fonts->setCurrentFont(ui::MakeFont(*dialog.lpLogFont, ui::WindowDpiY(dialog.hwndOwner)));
    layout->addWidget(fonts);
    QColor color = ui::ToQColor(dialog.rgbColors);
    if (dialog.Flags & CF_EFFECTS) {
        auto* colorButton = new QPushButton("Farbe...", &box);
        QObject::connect(colorButton, &QPushButton::clicked, &box, [&] {
            const QColor chosen = QColorDialog::getColor(color, &box);
            if (chosen.isValid())
                color = chosen;
        });
        layout->addWidget(colorButton);
    }
    layout->addWidget(ui::MakeOkCancel(box));
    if (box.exec() != QDialog::Accepted)
        return false;
    const QFont font = fonts->currentFont();
    if (dialog.lpLogFont) {
        LOGFONT& out = *dialog.lpLogFont;
        const int pixels = font.pixelSize() > 0 ? font.pixelSize()
                                                : int(std::lround(font.pointSizeF() * ui::WindowDpiY(dialog.hwndOwner) / 72));
        out.lfHeight = -pixels;
        out.lfWeight = font.weight();
        out.lfItalic = font.italic();
        out.lfUnderline = font.underline();
        out.lfStrikeOut = font.strikeOut();
        const std::string family = font.family().toLatin1().toStdString();
        std::memset(out.lfFaceName, 0, LF_FACESIZE);
        std::memcpy(out.lfFaceName, family.data(), std::min<size_t>(family.size(), LF_FACESIZE - 1));
        dialog.iPointSize = int(std::lround(font.pointSizeF() * 10));
    }
    dialog.rgbColors = ui::FromQColor(color);
    return true;
}

bool AskColor(CHOOSECOLOR& dialog)
{
    const QColor initial = (dialog.Flags & CC_RGBINIT) ? ui::ToQColor(dialog.rgbResult) : QColor(Qt::black);
    const QColor chosen = QColorDialog::getColor(initial, ui::WidgetOf(dialog.hwndOwner));
    if (!chosen.isValid())
        return false;
    dialog.rgbResult = ui::FromQColor(chosen);
    return true;
}

}  // namespace

bool ChooseColor(CHOOSECOLOR* dialog)
{
    return dialog && ui::AnswerDialog(ui::TestHooks().colorDialog, AskColor, *dialog);
}

bool ChooseFont(CHOOSEFONT* dialog)
{
    return dialog && ui::AnswerDialog(ui::TestHooks().fontDialog, AskFont, *dialog);
}

}  // namespace zem
