#include "ui/messages/GQUIPrefAlertDialogBase.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/layer/GQUISlotGuard.h"

GQUIPrefAlertDialogBase::GQUIPrefAlertDialogBase(GString const& title, GString const& text, GString const& okText,
                                                 GString const& cancelText, GString const& checkBoxText,
                                                 bool withCancel, bool rememberOnAccept, bool rememberOnReject)
    : GQUIWindow(title, true, nullptr), mRememberOnAccept(rememberOnAccept), mRememberOnReject(rememberOnReject) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setText(GQStringSupport::ToQString(text));
    label->setWordWrap(true);
    auto* icon = new QLabel(this);
    QStyle::StandardPixmap const which = withCancel ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    icon->setPixmap(style()->standardIcon(which).pixmap(40, 40));
    QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok;
    if (withCancel)
        buttons |= QDialogButtonBox::Cancel;
    mButtonBox = new QDialogButtonBox(buttons, this);
    connect(mButtonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    if (!okText.IsEmpty())
        mButtonBox->button(QDialogButtonBox::Ok)->setText(GQStringSupport::ToQString(okText));
    if (withCancel) {
        if (!cancelText.IsEmpty())
            mButtonBox->button(QDialogButtonBox::Cancel)->setText(GQStringSupport::ToQString(cancelText));
        connect(mButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    if (!checkBoxText.IsEmpty()) {
        mCheckBox = new QCheckBox(GQStringSupport::ToQString(checkBoxText), this);
        mCheckBox->setChecked(false);
    }
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(label, 1);
    layout->addLayout(top);
    if (mCheckBox != nullptr)
        layout->addWidget(mCheckBox);
    layout->addWidget(mButtonBox);
    updateGeometry();
    setFixedSize(sizeHint());
    setSizeGripEnabled(false);
}

GQUIPrefAlertDialogBase::~GQUIPrefAlertDialogBase() = default;

void GQUIPrefAlertDialogBase::RememberAnswerIfChecked() {
    GTriState value = kAsk;
    if (mCheckBox != nullptr && mCheckBox->isChecked()) {
        if (mAccepted == 1 && mRememberOnAccept)
            value = kAccepted;
        else if (mAccepted == 0 && mRememberOnReject)
            value = kDeclined;
    }
    DoSetPreference(value);
}

void GQUIPrefAlertDialogBase::accept() {
    mAccepted = 1;
    GQUISlotGuard::Run([this] { RememberAnswerIfChecked(); });
    QDialog::accept();
}

void GQUIPrefAlertDialogBase::reject() {
    mAccepted = 0;
    GQUISlotGuard::Run([this] { RememberAnswerIfChecked(); });
    QDialog::reject();
}
