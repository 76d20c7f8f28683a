#include "core/base/GCustomException.h"

#include "core/text/GLngString.h"

GCustomException::GCustomException(int id) : GException(id) {}

GCustomException::GCustomException(int id, const GString& text) : GException(id) {
    if (text.IsEmpty())
        return;
    auto copy = std::make_shared<GString>(text);
    // Final form now, so that reading the shared text never changes it.
    copy->EnsureUnicode();
    mCustomText = std::move(copy);
}

GCustomException::~GCustomException() = default;

GLngString GCustomException::GetLngDescription() const {
    if (mCustomText == nullptr)
        return GException::GetLngDescription();
    return GLngString(*mCustomText);
}
