#pragma once
// An exception with an optional text of its own, such as the system's description of an error:
// GetLngDescription gives that text as it stands when there is one (an empty text counts as
// none), else the id's text. Copies share the text.
#include <memory>

#include "core/base/GException.h"

class GCustomException : public GException {
public:
    explicit GCustomException(int id);
    GCustomException(int id, const GString& text);
    GCustomException(const GCustomException& other) noexcept = default;
    GCustomException& operator=(const GCustomException& other) noexcept = default;
    ~GCustomException() override;

    GLngString GetLngDescription() const override;
    // Null when there is no text.
    const GString* GetCustomText() const noexcept { return mCustomText.get(); }

private:
    std::shared_ptr<const GString> mCustomText;
};
