#pragma once
// GQUIPasswordWindow: a modal window that asks for one password.
//
// Callers may rely on:
// - GetPassword gives the entered text only when the window was accepted; otherwise the output
//   is cleared.
// - ShowDialog runs the window between the modal-loop hooks and deletes it before returning.
#include "core/bytes/GBuffer.h"
#include "ui/windows/GQUIWindow.h"

class QLineEdit;

class GQUIPasswordWindow : public GQUIWindow {
    Q_OBJECT
public:
    GQUIPasswordWindow(GString const& title, GString const& text);
    ~GQUIPasswordWindow() override;

    QSize sizeHint() const override;
    bool GetPassword(GString& password) const;
    QLineEdit* GetPasswordField() const { return mPassword; }

    static bool ShowDialog(GString const& title, GString const& text, GString& password);
    // The password in ASCII.
    static bool ShowDialog(GString const& title, GString const& text, GBuffer& password);

public Q_SLOTS:
    void Accept();
    void Reject();

private:
    bool mAccepted = false;
    QLineEdit* mPassword = nullptr;
};
