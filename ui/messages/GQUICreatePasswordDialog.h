#pragma once
// GQUICreatePasswordDialog: a modal window that asks for a new password twice.
//
// Callers may rely on:
// - GetPassword gives the password only when the window was accepted with equal entries; with
//   different entries it reports "Passwords do not match" through the current user-message
//   instance and gives nothing.
// - ShowDialog asks again, in a fresh window each time, until the entries match or the user
//   cancels; it returns true only for a matching password, and the output is empty otherwise.
#include "ui/windows/GQUIWindow.h"

class QLineEdit;

class GQUICreatePasswordDialog : public GQUIWindow {
    Q_OBJECT
public:
    GQUICreatePasswordDialog(GString const& title, GString const& text);
    ~GQUICreatePasswordDialog() override;

    QSize sizeHint() const override;
    bool ArePasswordsEqual() const;
    // Returns whether the window was accepted.
    bool GetPassword(GString& password, bool& matched) const;
    QLineEdit* GetPasswordField() const { return mPassword; }
    QLineEdit* GetConfirmField() const { return mConfirm; }

    static bool ShowDialog(GString const& title, GString const& text, GString& password);

public Q_SLOTS:
    void Accept();
    void Reject();

private:
    bool mAccepted = false;
    QLineEdit* mPassword = nullptr;
    QLineEdit* mConfirm = nullptr;
};
