#pragma once
// GLngString: a message that is rendered in a language only when it is read. It is a text id (or,
// with id 0, a literal text) and an ordered list of typed values for the placeholders "%1" to "%9"
// and "%s" of that text: string ids ("s"), numbers ("i"), strings ("S"), paths ("p"), nested
// messages ("l") and measurements in points ("m").
//
// Callers may rely on:
// - A message owns copies of its values; copies are deep and independent.
// - Equal messages (same id, equal literals, the same items in the same order) hash equally.
// - Rendering never throws for a missing text; it reports false (see GetReadableString).
// - The strings a message holds are kept in their final UTF-16 form, so one message may be read
//   by several threads at once.
// - Texts of ids come from the string pools (GStringPool): a message is rendered in the current
//   language and, when that lacks a text, in English ("enUS").
// - A path is kept as its cross-platform text, taken when it is added; a measurement is rendered
//   by the formatter that the units install (SetMeasurementFormatter), until then as its number
//   of points with at most four decimals and " pt".
// - FromString never reads past its text: a length past the end, or nesting deeper than
//   cMaxNesting, gives an empty message.
#include <cstdint>
#include <memory>

#include "core/containers/GTable.h"
#include "core/text/GString.h"

class GLngString {
public:
    enum StringType : int32_t {
        kStringIDType = 1,
        kInt32Type = 2,
        kStringType = 3,
        kPathNameType = 4,
        kLngStringType = 5,
        kMeasurementType = 6,
    };

    GLngString() noexcept = default;
    explicit GLngString(int stringID) noexcept : mStringID(stringID) {}
    explicit GLngString(const GString& literal);
    GLngString(const GLngString& other) = default;
    GLngString(GLngString&& other) noexcept = default;
    GLngString& operator=(const GLngString& other);
    GLngString& operator=(GLngString&& other) noexcept = default;
    ~GLngString() = default;

    void AddStringID(int stringID);
    void AddInt32(int value);
    void AddString(const GString& value);
    void AddLngString(const GLngString& value);
    // Any path type with GetCrossPlatformString (GPathName lives above this layer).
    template <class PathName>
    void AddPathName(const PathName& path) {
        AddPathText(path.GetCrossPlatformString());
    }
    // The cross-platform text of a path.
    void AddPathText(const GString& crossPlatformText);
    void AddMeasurement(double points);

    // Renders a measurement in points for a message; installed by the units at start-up.
    using MeasurementFormatter = void (*)(double points, GString& out);
    static void SetMeasurementFormatter(MeasurementFormatter formatter);

    // Empty + other is other; this + empty is this; else the literal "%1%2" of the two messages.
    GLngString& operator+=(const GLngString& other);

    // The id is 0 and the literal is empty; items are not looked at.
    bool IsEmpty() const noexcept { return mStringID == 0 && mLiteral.IsEmpty(); }
    bool IsTranslatable() const noexcept { return mStringID != 0; }
    int GetStringID() const noexcept { return mStringID; }
    int GetItemCount() const noexcept { return mItems.GetCount(); }

    // The id when not 0; else the first non-zero id among the items, nested messages searched.
    int GetBaseStringID() const;
    uint32_t GetHash() const;

    // In the current language, falling back to English; on failure out keeps what the failed
    // attempt left (empty after a nested message failed).
    GString GetReadableString() const;
    void GetReadableString(GString& out) const;
    // False when language has no text for the id or for a nested message's id.
    bool GetReadableString(const GString& language, GString& out) const;

    // The text form: "s <id>" or "S <length> <literal>", the item count, then each item as its
    // type name and its value (lengths in UTF-16 units, measurements with 9 significant digits).
    // False, and out empty, for a message with messages nested deeper than cMaxNesting, which
    // FromString would not read back.
    static bool ToString(const GLngString& message, GString& out);
    // A new message read from the text form; empty for a text that does not hold one whole.
    static GLngString* FromString(const GString& text);
    static constexpr int cMaxNesting = 32;

    friend bool operator==(const GLngString& a, const GLngString& b);
    friend bool operator!=(const GLngString& a, const GLngString& b) { return !(a == b); }

private:
    // One substitution value. A number for string ids and numbers, else an owned string or message.
    class Item {
    public:
        Item(StringType type, int32_t number) noexcept : mType(type), mNumber(number) {}
        explicit Item(double points) noexcept : mType(kMeasurementType), mPoints(points) {}
        Item(StringType type, const GString& value);
        explicit Item(const GLngString& value);
        Item(const Item& other);
        Item(Item&& other) noexcept = default;
        Item& operator=(const Item& other);
        Item& operator=(Item&& other) noexcept = default;
        ~Item();

        StringType GetType() const noexcept { return mType; }
        // The nested message of an "l" item.
        const GLngString& GetNested() const noexcept { return *mNested; }
        int GetBaseStringID() const;
        uint32_t GetHash() const;
        bool Render(const GString& language, GString& out) const;
        bool operator==(const Item& other) const;
        void AppendTextForm(GString& out) const;

    private:
        StringType mType;
        int32_t mNumber = 0;
        double mPoints = 0;
        std::unique_ptr<GString> mString;
        std::unique_ptr<GLngString> mNested;
    };

    class Parser;

    // Whether the message nests no more than levels messages below itself.
    bool NestsAtMost(int levels) const;

    int32_t mStringID = 0;
    GString mLiteral;
    GTable<Item> mItems;
};
