#include "ui/messages/GQUIPasswordWindow.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLineEdit>

#include <memory>

#include "core/text/encodings/GASCIIEncoding.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/layer/GQUISlotGuard.h"
#include "ui/messages/GQUIPasswordForm.h"

GQUIPasswordWindow::GQUIPasswordWindow(GString const& title, GString const& text) : GQUIWindow(title, true, nullptr) {
    QDialogButtonBox* buttons = GQUIPasswordForm::Build(*this, text, {{2440, &mPassword}});
    setFixedSize(sizeHint());
    setSizeGripEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &GQUIPasswordWindow::Accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GQUIPasswordWindow::Reject);
    mPassword->setFocus();
}

GQUIPasswordWindow::~GQUIPasswordWindow() = default;

QSize GQUIPasswordWindow::sizeHint() const { return GQUIPasswordForm::WidenToTitle(*this, QDialog::sizeHint()); }

void GQUIPasswordWindow::Accept() {
    GQUISlotGuard::Run([this] {
        mAccepted = true;
        accept();
    });
}

void GQUIPasswordWindow::Reject() {
    GQUISlotGuard::Run([this] { QDialog::reject(); });
}

bool GQUIPasswordWindow::GetPassword(GString& password) const {
    if (!mAccepted) {
        password = GString();
        return false;
    }
    password = GQStringSupport::ToGString(mPassword->text());
    return true;
}

bool GQUIPasswordWindow::ShowDialog(GString const& title, GString const& text, GString& password) {
    auto const window = std::make_unique<GQUIPasswordWindow>(title, text);
    window->exec();
    return window->GetPassword(password);
}

bool GQUIPasswordWindow::ShowDialog(GString const& title, GString const& text, GBuffer& password) {
    GString entered;
    bool const accepted = ShowDialog(title, text, entered);
    password = entered.GetBuffer(GASCIIEncoding::GetInstance());
    return accepted;
}
