#pragma once
// GQUIUnitSpinBox: the entry field for lengths. Its value is in points; it shows the value in the
// user's default unit with the unit's symbol, takes numbers in any unit and short expressions
// (GQUIUnitExpression), and shows the same length again in the new unit when the default unit
// changes (signal 105). It can show a forced text (any text, or nothing) instead of a number.
//
// Callers may rely on:
// - The range is +-999999999999 pt unless the caller sets another (setMinimum(0) for lengths that
//   cannot be negative); typed values, forced values and unit changes are all bounded by it.
// - The value has 4 decimals in points, 3 for default units between 3 and 72 points (p, cm); the
//   single step is 1 pt until the first unit change, then one default unit. No step buttons.
// - While the forced-text state holds, valueFromText gives 0 and the shown text stays as it is;
//   every change of the value ends the state, as does an edit that differs from the forced text.
// - ValueChanged(value()) follows every valueChanged; no timer of the box acts while its
//   receivers run. Main thread only.
#include <QtWidgets/QDoubleSpinBox>

#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "ui/widgets/GQUIUnitExpressionValidator.h"

class GQUIUnitSpinBox : public QDoubleSpinBox, public GReceiver<GEmptyMessage> {
    Q_OBJECT

public:
    static constexpr double kLimit = 999999999999.0;

    explicit GQUIUnitSpinBox(QWidget* parent = nullptr);
    ~GQUIUnitSpinBox() override;

    bool IsForcedText() const { return mForcedText; }
    QString const& GetForcedText() const { return mForced; }
    // The decimals of the value for the current default unit.
    static int DecimalsForDefaultUnit();

    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(QString const& text) const override;
    QString textFromValue(double value) const override;
    void Receive(int id, GEmptyMessage const& message) override;

Q_SIGNALS:
    void ValueChanged(double value);

public Q_SLOTS:
    void clear() override;
    void forceValue(double value);
    void forceText(QString const& text);
    void Editing(double value);

protected:
    void timerEvent(QTimerEvent* event) override;
    StepEnabled stepEnabled() const override;

private:
    void EnterForcedText(QString const& text);

    GQUIUnitExpressionValidator mValidator;
    bool mEditing = false;
    mutable bool mForcedText = false;
    QString mForced;
};
