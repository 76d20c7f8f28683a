#include "core/text/GLngString.h"

#include "core/text/GEnglishTexts.h"

namespace {

const GString& EnglishLanguage() {
    // Never destroyed: messages may be rendered on other threads while the program exits.
    static const GString* const english = [] {
        auto* name = new GString("enUS");
        name->EnsureUnicode();
        return name;
    }();
    return *english;
}

// The text of an id in a language. GEnglishTexts holds English only; the string pools will answer
// here for every language.
bool TextOfID(const GString& language, int id, GString& out) {
    if (!(language == EnglishLanguage()))
        return false;
    return GEnglishTexts::GetText(id, out);
}

GString FinalCopy(const GString& text) {
    GString copy(text);
    copy.EnsureUnicode();
    return copy;
}

}  // namespace

GLngString::Item::Item(const GString& value)
    : mType(kStringType), mString(std::make_unique<GString>(FinalCopy(value))) {}

GLngString::Item::Item(const GLngString& value)
    : mType(kLngStringType), mNested(std::make_unique<GLngString>(value)) {}

GLngString::Item::Item(const Item& other) : mType(other.mType), mNumber(other.mNumber) {
    if (other.mString != nullptr)
        mString = std::make_unique<GString>(*other.mString);
    if (other.mNested != nullptr)
        mNested = std::make_unique<GLngString>(*other.mNested);
}

GLngString::Item& GLngString::Item::operator=(const Item& other) {
    Item copy(other);
    return *this = std::move(copy);
}

GLngString::Item::~Item() = default;

int GLngString::Item::GetBaseStringID() const {
    if (mType == kStringIDType)
        return mNumber;
    if (mType == kLngStringType)
        return mNested->GetBaseStringID();
    return 0;
}

uint32_t GLngString::Item::GetHash() const {
    switch (mType) {
    case kStringType:
        return mString->GetHash();
    case kLngStringType:
        return mNested->GetHash();
    default:
        return static_cast<uint32_t>(mNumber);
    }
}

bool GLngString::Item::Render(const GString& language, GString& out) const {
    switch (mType) {
    case kStringIDType:
        // A missing text of a value renders as nothing; only a nested message can fail.
        if (!TextOfID(language, mNumber, out))
            out.Clear();
        return true;
    case kInt32Type:
        out = GString(static_cast<int>(mNumber));
        return true;
    case kStringType:
        out = *mString;
        return true;
    case kLngStringType:
        return mNested->GetReadableString(language, out);
    default:
        out.Clear();
        return true;
    }
}

bool GLngString::Item::operator==(const Item& other) const {
    if (mType != other.mType)
        return false;
    switch (mType) {
    case kStringType:
        return *mString == *other.mString;
    case kLngStringType:
        return *mNested == *other.mNested;
    default:
        return mNumber == other.mNumber;
    }
}

GLngString::GLngString(const GString& literal) : mLiteral(FinalCopy(literal)) {}

GLngString& GLngString::operator=(const GLngString& other) {
    GLngString copy(other);
    return *this = std::move(copy);
}

void GLngString::AddStringID(int stringID) { mItems.AddItem(Item(kStringIDType, stringID)); }

void GLngString::AddInt32(int value) { mItems.AddItem(Item(kInt32Type, value)); }

void GLngString::AddString(const GString& value) { mItems.AddItem(Item(value)); }

void GLngString::AddLngString(const GLngString& value) { mItems.AddItem(Item(value)); }

GLngString& GLngString::operator+=(const GLngString& other) {
    if (IsEmpty())
        return *this = other;
    if (other.IsEmpty())
        return *this;
    GLngString joined(GString("%1%2"));
    joined.AddLngString(*this);
    joined.AddLngString(other);
    return *this = std::move(joined);
}

int GLngString::GetBaseStringID() const {
    if (mStringID != 0)
        return mStringID;
    for (const Item& item : mItems) {
        if (int id = item.GetBaseStringID())
            return id;
    }
    return 0;
}

uint32_t GLngString::GetHash() const {
    uint32_t hash = static_cast<uint32_t>(mStringID) + mLiteral.GetHash();
    for (const Item& item : mItems)
        hash += item.GetHash();
    return hash;
}

GString GLngString::GetReadableString() const {
    GString out;
    GetReadableString(out);
    return out;
}

void GLngString::GetReadableString(GString& out) const {
    // English is the current language and the fallback alike until the string pools exist.
    GetReadableString(EnglishLanguage(), out);
}

bool GLngString::GetReadableString(const GString& language, GString& out) const {
    if (mStringID == 0)
        out = mLiteral;
    else if (!TextOfID(language, mStringID, out))
        return false;
    if (mItems.GetCount() == 0)
        return true;
    GTable<GString> values;
    values.Resize(mItems.GetCount());
    for (int i = 0; i < mItems.GetCount(); ++i) {
        if (!mItems[i].Render(language, values[i])) {
            out.Clear();
            return false;
        }
    }
    GTable<GString const*> params;
    for (const GString& value : values)
        params.AddItem(&value);
    out.SubstituteParams(params);
    return true;
}

bool operator==(const GLngString& a, const GLngString& b) {
    if (a.mStringID != b.mStringID || !(a.mLiteral == b.mLiteral))
        return false;
    const int count = a.mItems.GetCount();
    if (count != b.mItems.GetCount())
        return false;
    for (int i = 0; i < count; ++i) {
        if (!(a.mItems[i] == b.mItems[i]))
            return false;
    }
    return true;
}
