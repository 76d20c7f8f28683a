#pragma once
// GQUIPrefAlertDialogBase: a modal message with a check box that lets the user keep the answer
// for later. The remembered answer is a three-valued state the caller owns: 1 ask, 2 remembered
// as accepted, 0 remembered as declined. Subclasses say how the state is read and written.
//
// Callers may rely on:
// - On accept or reject the value to remember is written once: 2 when the box exists, is checked,
//   the dialog was accepted and remember-on-accept is set; 0 likewise for a decline with
//   remember-on-reject; 1 otherwise.
#include "ui/windows/GQUIWindow.h"

class QCheckBox;
class QDialogButtonBox;

// The remembered answer: 0 declined, 1 ask, 2 accepted.
using GTriState = int;

class GQUIPrefAlertDialogBase : public GQUIWindow {
public:
    static constexpr GTriState kDeclined = 0;
    static constexpr GTriState kAsk = 1;
    static constexpr GTriState kAccepted = 2;

    GQUIPrefAlertDialogBase(GString const& title, GString const& text, GString const& okText,
                            GString const& cancelText, GString const& checkBoxText, bool withCancel,
                            bool rememberOnAccept, bool rememberOnReject);
    ~GQUIPrefAlertDialogBase() override;

    void accept() override;
    void reject() override;
    virtual GTriState DoGetPreference() const = 0;
    virtual void DoSetPreference(GTriState value) = 0;

    void RememberAnswerIfChecked();
    int GetAccepted() const { return mAccepted; }
    QCheckBox* GetCheckBox() const { return mCheckBox; }
    QDialogButtonBox* GetButtonBox() const { return mButtonBox; }

private:
    int32_t mAccepted = 0;
    bool mRememberOnAccept;
    bool mRememberOnReject;
    QCheckBox* mCheckBox = nullptr;
    QDialogButtonBox* mButtonBox = nullptr;
};
