#include "core/text/GLngString.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GStringPool.h"

namespace {

std::atomic<GLngString::MeasurementFormatter> sMeasurementFormatter{nullptr};

// out is left as it was when the language has no text for id.
bool TextOfID(const GString& language, int id, GString& out) {
    GString text;
    if (!GStringPool::GetString(language, id, text))
        return false;
    out = text;
    return true;
}

GString FinalCopy(const GString& text) {
    GString copy(text);
    copy.EnsureUnicode();
    return copy;
}

void FormatMeasurement(double points, GString& out) {
    if (GLngString::MeasurementFormatter formatter = sMeasurementFormatter.load()) {
        formatter(points, out);
        return;
    }
    GBuffer text;
    text.SetWithPrecision(points, 4);
    text += " pt";
    text += static_cast<unsigned char>(0);
    out = GString(reinterpret_cast<const char*>(text.GetPtr()));
}

// The UTF-16 units of a string in its final form.
const uint16_t* UnitsOf(const GString& text, int& count) {
    text.EnsureUnicode();
    const GBuffer& bytes = text.GetEncodedBuffer();
    count = bytes.GetLength() / 2;
    return reinterpret_cast<const uint16_t*>(bytes.GetPtr());
}

int LengthOf(const GString& text) {
    int count = 0;
    UnitsOf(text, count);
    return count;
}

void AppendASCII(GString& out, const char* ascii) { out += GString(ascii); }

void AppendLengthAndText(GString& out, const GString& text) {
    out += GString(LengthOf(text));
    AppendASCII(out, " ");
    out += text;
}

}  // namespace

GLngString::Item::Item(StringType type, const GString& value)
    : mType(type), mString(std::make_unique<GString>(FinalCopy(value))) {}

GLngString::Item::Item(const GLngString& value)
    : mType(kLngStringType), mNested(std::make_unique<GLngString>(value)) {}

GLngString::Item::Item(const Item& other) : mType(other.mType), mNumber(other.mNumber), mPoints(other.mPoints) {
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
    case kPathNameType:
        return mString->GetHash();
    case kLngStringType:
        return mNested->GetHash();
    case kMeasurementType: {
        if (mPoints == 0 || std::isnan(mPoints))
            return 0;
        unsigned char bytes[sizeof(double)];
        std::memcpy(bytes, &mPoints, sizeof bytes);
        signed char folded = 0;
        for (unsigned char byte : bytes)
            folded = static_cast<signed char>(folded ^ static_cast<signed char>(byte));
        return static_cast<uint32_t>(static_cast<int32_t>(folded));
    }
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
    case kPathNameType:
        out = *mString;
        return true;
    case kLngStringType:
        return mNested->GetReadableString(language, out);
    case kMeasurementType:
        FormatMeasurement(mPoints, out);
        return true;
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
    case kPathNameType:
        return *mString == *other.mString;
    case kLngStringType:
        return *mNested == *other.mNested;
    case kMeasurementType:
        return mPoints == other.mPoints;  // a NaN is never equal
    default:
        return mNumber == other.mNumber;
    }
}

void GLngString::Item::AppendTextForm(GString& out) const {
    static const char* const kNames[] = {"", "s", "i", "S", "p", "l", "m"};
    AppendASCII(out, " ");
    AppendASCII(out, kNames[mType >= kStringIDType && mType <= kMeasurementType ? mType : 0]);
    AppendASCII(out, " ");
    switch (mType) {
    case kStringType:
    case kPathNameType:
        AppendLengthAndText(out, *mString);
        break;
    case kLngStringType: {
        GString nested;
        ToString(*mNested, nested);
        AppendLengthAndText(out, nested);
        break;
    }
    case kMeasurementType: {
        char text[64];
        std::snprintf(text, sizeof text, "%.9g", mPoints);
        AppendASCII(out, text);
        break;
    }
    default:
        out += GString(static_cast<int>(mNumber));
        break;
    }
}

GLngString::GLngString(const GString& literal) : mLiteral(FinalCopy(literal)) {}

GLngString& GLngString::operator=(const GLngString& other) {
    GLngString copy(other);
    return *this = std::move(copy);
}

void GLngString::AddStringID(int stringID) { mItems.AddItem(Item(kStringIDType, stringID)); }

void GLngString::AddInt32(int value) { mItems.AddItem(Item(kInt32Type, value)); }

void GLngString::AddString(const GString& value) { mItems.AddItem(Item(kStringType, value)); }

void GLngString::AddPathText(const GString& crossPlatformText) { mItems.AddItem(Item(kPathNameType, crossPlatformText)); }

void GLngString::AddMeasurement(double points) { mItems.AddItem(Item(points)); }

void GLngString::SetMeasurementFormatter(MeasurementFormatter formatter) { sMeasurementFormatter.store(formatter); }

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
    GString language;
    GStringPool::GetLanguage(language);
    if (!GetReadableString(language, out) && !(language == GStringPool::GetEnglish()))
        GetReadableString(GStringPool::GetEnglish(), out);
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

bool GLngString::NestsAtMost(int levels) const {
    for (const Item& item : mItems) {
        if (item.GetType() != kLngStringType)
            continue;
        if (levels == 0 || !item.GetNested().NestsAtMost(levels - 1))
            return false;
    }
    return true;
}

bool GLngString::ToString(const GLngString& message, GString& out) {
    out.Clear();
    if (!message.NestsAtMost(cMaxNesting))
        return false;
    if (message.mStringID != 0) {
        AppendASCII(out, "s ");
        out += GString(static_cast<int>(message.mStringID));
    } else {
        AppendASCII(out, "S ");
        AppendLengthAndText(out, message.mLiteral);
    }
    AppendASCII(out, " ");
    out += GString(message.mItems.GetCount());
    for (const Item& item : message.mItems)
        item.AppendTextForm(out);
    out.EnsureUnicode();
    return true;
}

// Reads the text form from UTF-16 units; every read is checked against the end.
class GLngString::Parser {
public:
    Parser(const uint16_t* units, int count) : mUnits(units), mEnd(count) {}

    bool ReadMessage(GLngString& out, int depth) {
        if (depth > cMaxNesting)
            return false;
        uint16_t type = 0;
        if (!ReadType(type))
            return false;
        if (type == 's') {
            int id = 0;
            if (!ReadNumber(id))
                return false;
            out.mStringID = id;
        } else if (type == 'S') {
            GString literal;
            if (!ReadLengthAndText(literal))
                return false;
            out.mLiteral = FinalCopy(literal);
        } else {
            return false;
        }
        int count = 0;
        if (!ReadNumber(count) || count < 0 || count > (mEnd - mPos + 1) / 3)
            return false;
        for (int i = 0; i < count; ++i) {
            if (!ReadItem(out, depth))
                return false;
        }
        return true;
    }

    bool AtEnd() const { return mPos >= mEnd; }

private:
    bool ReadItem(GLngString& out, int depth) {
        uint16_t type = 0;
        if (!ReadType(type))
            return false;
        switch (type) {
        case 's':
        case 'i': {
            int number = 0;
            if (!ReadNumber(number))
                return false;
            if (type == 's')
                out.AddStringID(number);
            else
                out.AddInt32(number);
            return true;
        }
        case 'S':
        case 'p': {
            GString text;
            if (!ReadLengthAndText(text))
                return false;
            if (type == 'S')
                out.AddString(text);
            else
                out.AddPathText(text);
            return true;
        }
        case 'l': {
            int length = 0;
            if (!ReadNumber(length) || length < 0 || length > mEnd - mPos)
                return false;
            Parser nested(mUnits + mPos, length);
            GLngString message;
            if (!nested.ReadMessage(message, depth + 1))
                return false;
            mPos += length;
            SkipBlank();
            out.mItems.AddItem(Item(message));
            return true;
        }
        case 'm': {
            char text[64];
            int n = 0;
            while (mPos < mEnd && mUnits[mPos] != ' ') {
                if (mUnits[mPos] >= 0x80 || n + 1 >= static_cast<int>(sizeof text))
                    return false;
                text[n++] = static_cast<char>(mUnits[mPos++]);
            }
            text[n] = 0;
            char* stop = nullptr;
            double const value = std::strtod(text, &stop);
            if (n == 0 || stop != text + n)
                return false;
            SkipBlank();
            out.AddMeasurement(value);
            return true;
        }
        default:
            return false;
        }
    }

    // The type character and the blank after it.
    bool ReadType(uint16_t& type) {
        if (mEnd - mPos < 3)
            return false;
        type = mUnits[mPos];
        mPos += 1;
        SkipBlank();
        return true;
    }

    // A decimal number that fits 32 bits, and the blank after it.
    bool ReadNumber(int& out) {
        bool negative = false;
        if (mPos < mEnd && (mUnits[mPos] == '-' || mUnits[mPos] == '+'))
            negative = mUnits[mPos++] == '-';
        int64_t value = 0;
        int digits = 0;
        while (mPos < mEnd && mUnits[mPos] >= '0' && mUnits[mPos] <= '9') {
            value = value * 10 + (mUnits[mPos++] - '0');
            if (value > int64_t{INT32_MAX} + 1)
                return false;
            ++digits;
        }
        if (digits == 0)
            return false;
        value = negative ? -value : value;
        if (value > INT32_MAX)
            return false;
        out = static_cast<int>(value);
        SkipBlank();
        return true;
    }

    bool ReadLengthAndText(GString& out) {
        int length = 0;
        if (!ReadNumber(length) || length < 0 || length > mEnd - mPos)
            return false;
        if (length > 0) {
            GUnicodeEncoding* const unicode = GUnicodeEncoding::GetInstance();
            if (unicode == nullptr)
                return false;
            out = GString(reinterpret_cast<const unsigned char*>(mUnits + mPos), 2 * length, unicode);
        } else {
            out.Clear();
        }
        mPos += length;
        SkipBlank();
        return true;
    }

    void SkipBlank() {
        if (mPos < mEnd && mUnits[mPos] == ' ')
            ++mPos;
    }

    const uint16_t* mUnits;
    int mEnd;
    int mPos = 0;
};

GLngString* GLngString::FromString(const GString& text) {
    GString copy(text);
    int count = 0;
    const uint16_t* units = UnitsOf(copy, count);
    auto* message = new GLngString;
    if (count == 0)
        return message;
    Parser parser(units, count);
    if (!parser.ReadMessage(*message, 0))
        *message = GLngString();
    return message;
}
