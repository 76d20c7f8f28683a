#include "ui/widgets/GQUIUnitExpressionValidator.h"

QValidator::State GQUIUnitExpressionValidator::validate(QString& input, int& /*pos*/) const {
    return mExpression.Validate(input);
}
