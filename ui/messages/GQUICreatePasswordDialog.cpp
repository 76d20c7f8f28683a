#include "ui/messages/GQUICreatePasswordDialog.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLineEdit>

#include <memory>

#include "core/text/GStringPool.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "services/messages/GUserMessage.h"
#include "ui/layer/GQUISlotGuard.h"
#include "ui/messages/GQUIPasswordForm.h"

GQUICreatePasswordDialog::GQUICreatePasswordDialog(GString const& title, GString const& text)
    : GQUIWindow(title, true, nullptr) {
    QDialogButtonBox* buttons = GQUIPasswordForm::Build(*this, text, {{2440, &mPassword}, {2441, &mConfirm}});
    setFixedSize(sizeHint());
    setSizeGripEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &GQUICreatePasswordDialog::Accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GQUICreatePasswordDialog::Reject);
    mPassword->setFocus();
}

GQUICreatePasswordDialog::~GQUICreatePasswordDialog() = default;

QSize GQUICreatePasswordDialog::sizeHint() const { return GQUIPasswordForm::WidenToTitle(*this, QDialog::sizeHint()); }

void GQUICreatePasswordDialog::Accept() {
    GQUISlotGuard::Run([this] {
        mAccepted = true;
        accept();
    });
}

void GQUICreatePasswordDialog::Reject() {
    GQUISlotGuard::Run([this] { QDialog::reject(); });
}

bool GQUICreatePasswordDialog::ArePasswordsEqual() const { return mPassword->text() == mConfirm->text(); }

bool GQUICreatePasswordDialog::GetPassword(GString& password, bool& matched) const {
    matched = false;
    password = GString();
    if (!mAccepted)
        return false;
    if (!ArePasswordsEqual()) {
        GUserMessage::GetInstance()->ShowErrorMessage(GStringPool::GetString(2442), GStringPool::GetString(2443));
        return true;
    }
    password = GQStringSupport::ToGString(mPassword->text());
    matched = true;
    return true;
}

bool GQUICreatePasswordDialog::ShowDialog(GString const& title, GString const& text, GString& password) {
    // Asked again in a loop, not by recursion: a user who keeps mistyping never runs the stack
    // out, and only one window exists at a time.
    for (;;) {
        bool matched = false;
        auto const dialog = std::make_unique<GQUICreatePasswordDialog>(title, text);
        dialog->exec();
        if (!dialog->GetPassword(password, matched))
            return false;
        if (matched)
            return true;
    }
}
