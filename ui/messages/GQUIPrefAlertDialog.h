#pragma once
// GQUIPrefAlertDialog: shows a message that the user may ask not to see again, keeping the
// answer in a GTriState the caller owns (see GQUIPrefAlertDialogBase).
//
// Callers may rely on:
// - An answer of 2 returns 1 and an answer other than 1 returns 0, both without a dialog.
// - Otherwise the dialog is centred and run between the modal-loop hooks; the result is 1 when
//   accepted, 0 when declined.
#include "ui/messages/GQUIPrefAlertDialogBase.h"

template <class Getter, class Setter>
class GQUIPrefAlertDialogTemplate : public GQUIPrefAlertDialogBase {
public:
    GQUIPrefAlertDialogTemplate(Getter getter, Setter setter, GString const& title, GString const& text,
                                GString const& okText, GString const& cancelText, GString const& checkBoxText,
                                bool withCancel, bool rememberOnAccept, bool rememberOnReject)
        : GQUIPrefAlertDialogBase(title, text, okText, cancelText, checkBoxText, withCancel, rememberOnAccept,
                                  rememberOnReject),
          mGetter(getter),
          mSetter(setter) {}

    GTriState DoGetPreference() const override { return mGetter(); }
    void DoSetPreference(GTriState value) override { mSetter(value); }

private:
    Getter mGetter;
    Setter mSetter;
};

class GQUIPrefAlertDialog {
public:
    GQUIPrefAlertDialog() = delete;

    static int ShowDialog(GString const& title, GString const& text, GString const& okText, GString const& cancelText,
                          GString const& checkBoxText, bool withCancel, bool rememberOnAccept, bool rememberOnReject,
                          GTriState& answer);
};
