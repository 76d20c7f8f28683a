#include "ui/widgets/GQUIUnitSpinBox.h"

#include <QtCore/QTimerEvent>
#include <QtWidgets/QLineEdit>

#include <cmath>

#include "core/signals/GBasicSignals.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "services/units/GUnitSupport.h"

GQUIUnitSpinBox::GQUIUnitSpinBox(QWidget* parent) : QDoubleSpinBox(parent), mValidator(this) {
    setMinimum(-kLimit);
    setMaximum(kLimit);
    setDecimals(DecimalsForDefaultUnit());
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setKeyboardTracking(false);
    Subscribe(GBasicSignals::kPreferencesChanged);
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &GQUIUnitSpinBox::Editing);
}

GQUIUnitSpinBox::~GQUIUnitSpinBox() { UnSubscribe(GBasicSignals::kPreferencesChanged); }

int GQUIUnitSpinBox::DecimalsForDefaultUnit() {
    double const factor = GUnitSupport::GetDefaultUnitFactor();
    return factor > 3.0 && factor < GUnitSupport::GetFactorForUnitCode(GUnitSupport::kInches) ? 3 : 4;
}

void GQUIUnitSpinBox::EnterForcedText(QString const& text) {
    mForcedText = true;
    mForced = text;
    lineEdit()->setText(text);
}

void GQUIUnitSpinBox::forceValue(double value) {
    if (std::isnan(value)) {
        EnterForcedText(QString::number(value, 'g', 6));
        return;
    }
    mForcedText = false;
    setValue(value);
}

void GQUIUnitSpinBox::forceText(QString const& text) {
    bool number = false;
    double const value = text.toDouble(&number);
    if (number && !std::isnan(value)) {
        mForcedText = false;
        setValue(value);
        return;
    }
    EnterForcedText(text);
}

void GQUIUnitSpinBox::clear() {
    setValue(0.0);
    forceText(QString());
}

QString GQUIUnitSpinBox::textFromValue(double value) const {
    if (mForcedText)
        return text();
    return GQStringSupport::ToQString(GUnitSupport::FormatValueWithUnit(value, decimals()));
}

double GQUIUnitSpinBox::valueFromText(QString const& text) const {
    if (mForcedText)
        return 0.0;
    return mValidator.GetExpression().Evaluate(text);
}

QValidator::State GQUIUnitSpinBox::validate(QString& input, int& pos) const {
    QValidator::State const state = mValidator.validate(input, pos);
    if (state != QValidator::Invalid && mForcedText && input != mForced)
        mForcedText = false;
    return state;
}

QAbstractSpinBox::StepEnabled GQUIUnitSpinBox::stepEnabled() const {
    if (buttonSymbols() == QAbstractSpinBox::NoButtons)
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

void GQUIUnitSpinBox::Editing(double /*value*/) {
    struct Restore {
        bool& flag;
        bool const saved;
        ~Restore() { flag = saved; }
    } const restore{mEditing, mEditing};
    mEditing = true;
    bool const wasForced = mForcedText;
    mForcedText = false;
    // The value changed behind a forced text (a plain setValue): the field shows the value again.
    if (wasForced)
        lineEdit()->setText(textFromValue(value()));
    Q_EMIT ValueChanged(value());
}

void GQUIUnitSpinBox::timerEvent(QTimerEvent* event) {
    if (mEditing) {
        event->accept();
        return;
    }
    QAbstractSpinBox::timerEvent(event);
}

void GQUIUnitSpinBox::Receive(int /*id*/, GEmptyMessage const& /*message*/) {
    setSingleStep(GUnitSupport::GetDefaultUnitFactor());
    setDecimals(DecimalsForDefaultUnit());
    setValue(value());
}
