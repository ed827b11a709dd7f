// Modal dialogs from a template: what a hook's answer does to the edit fields, and that with
// no one to ask a dialog is cancelled.
#include "ui/messagebox.h"
#include "ui/modaldialog.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;

EditDialogTemplate OneNumber()
{
    EditDialogTemplate dialog;
    dialog.caption = "Wert";
    dialog.edits.push_back({1000, "Wert:", "12", true});
    return dialog;
}

TEST(ModalDialog, OnlyOkTakesWhatWasEntered)
{
    for (const int answer : {IDOK, IDCANCEL}) {
        SetModalDialogHook([&](EditDialogTemplate& dialog) {
            dialog.edits.at(0).text = "-7";
            return answer;
        });
        EditDialogTemplate dialog = OneNumber();
        EXPECT_EQ(DoModalDialog(nullptr, dialog), answer);
        EXPECT_EQ(dialog.edits.at(0).text, answer == IDOK ? "-7" : "12");
    }
    SetModalDialogHook([](EditDialogTemplate&) -> int { throw 1; });
    EditDialogTemplate dialog = OneNumber();
    EXPECT_EQ(DoModalDialog(nullptr, dialog), IDCANCEL);
    SetModalDialogHook({});
}

TEST(ModalDialog, WithoutADisplayOrAHookIsCancelled)
{
    EditDialogTemplate dialog = OneNumber();
    EXPECT_EQ(DoModalDialog(nullptr, dialog), IDCANCEL);
    EXPECT_EQ(dialog.edits.at(0).text, "12");
}

}  // namespace
