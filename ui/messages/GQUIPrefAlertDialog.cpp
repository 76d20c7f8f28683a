#include "ui/messages/GQUIPrefAlertDialog.h"

#include "ui/support/GQUISupport.h"

int GQUIPrefAlertDialog::ShowDialog(GString const& title, GString const& text, GString const& okText,
                                    GString const& cancelText, GString const& checkBoxText, bool withCancel,
                                    bool rememberOnAccept, bool rememberOnReject, GTriState& answer) {
    if (answer == GQUIPrefAlertDialogBase::kAccepted)
        return 1;
    if (answer != GQUIPrefAlertDialogBase::kAsk)
        return 0;
    GTriState* const state = &answer;
    auto getter = [state] { return *state; };
    auto setter = [state](GTriState value) { *state = value; };
    GQUIPrefAlertDialogTemplate<decltype(getter), decltype(setter)> dialog(
        getter, setter, title, text, okText, cancelText, checkBoxText, withCancel, rememberOnAccept,
        rememberOnReject);
    // Geometry of a one-off message is not worth keeping, and it is centred below.
    dialog.SetSaveLoadGeometry(false);
    GQUISupport::MoveToMiddleOfScreen(dialog);
    dialog.exec();
    return dialog.GetAccepted();
}
