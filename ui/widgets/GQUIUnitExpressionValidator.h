#pragma once
// GQUIUnitExpressionValidator: the input check of the unit spin box, over GQUIUnitExpression. It
// reads the text in one pass, so a long run of digits costs no more than its length.
#include <QtGui/QValidator>

#include "ui/widgets/GQUIUnitExpression.h"

class GQUIUnitExpressionValidator : public QValidator {
    Q_OBJECT

public:
    explicit GQUIUnitExpressionValidator(QObject* parent) : QValidator(parent) {}

    State validate(QString& input, int& pos) const override;
    GQUIUnitExpression const& GetExpression() const { return mExpression; }

private:
    GQUIUnitExpression mExpression;
};
