#include "core/values/GRange.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GString.h"

const GRange GRange::cEmptyRange;

namespace {

using Bound = GPair<int, bool>;

struct Item {
    Bound start;
    Bound end;
};

// The order of the tables: by start, then by the start's kind, then by end; so the contents do
// not depend on the order in which sequences were added.
bool KeyLess(Bound s1, Bound e1, Bound s2, Bound e2) {
    if (s1.first != s2.first)
        return s1.first < s2.first;
    if (s1.second != s2.second)
        return !s1.second;
    if (e1.first != e2.first)
        return e1.first < e2.first;
    return !e1.second && e2.second;
}

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Digits, ",", "-", "r", "R", blank and tab.
class RangeChars {
public:
    constexpr RangeChars() : mAllowed() {
        for (int c = '0'; c <= '9'; ++c)
            mAllowed[c] = true;
        for (char c : {',', '-', 'r', 'R', ' ', '\t'})
            mAllowed[static_cast<unsigned char>(c)] = true;
    }
    bool AllIn(unsigned char const* p, int n) const {
        bool all = true;
        for (int i = 0; i < n; ++i)
            all &= mAllowed[p[i]];
        return all;
    }

private:
    bool mAllowed[256];
};

constexpr RangeChars cRangeChars;

int Clamped(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, -GRange::cMaxNumber, GRange::cMaxNumber));
}

// The text of a range with blanks and tabs left out.
class RangeCursor {
public:
    RangeCursor(unsigned char const* p, int n) : mP(p), mEnd(p + n) { SkipBlanks(); }

    bool AtEnd() const { return mP == mEnd; }
    unsigned char Peek() const { return *mP; }
    void Next() {
        ++mP;
        SkipBlanks();
    }
    // A run of digits (blanks between them dropped) at most cMaxNumber; false for none or more.
    bool ReadNumber(int& value) {
        if (AtEnd() || !IsDigit(Peek()))
            return false;
        std::int64_t n = 0;
        for (; mP != mEnd; ++mP) {
            unsigned char c = *mP;
            if (IsDigit(c)) {
                n = n * 10 + (c - '0');
                if (n > GRange::cMaxNumber)
                    return false;
            } else if (!IsBlank(c)) {
                break;
            }
        }
        value = static_cast<int>(n);
        return true;
    }
    // "r" or "R" then a number of at least 1.
    bool ReadReverse(int& value) {
        Next();
        return ReadNumber(value) && value >= 1;
    }

private:
    void SkipBlanks() {
        while (mP != mEnd && IsBlank(*mP))
            ++mP;
    }

    unsigned char const* mP;
    unsigned char const* mEnd;
};

void AppendASCII(GBuffer& out, char const* text, int n, bool units) {
    if (!units) {
        out.AppendByteArray(reinterpret_cast<unsigned char const*>(text), n);
        return;
    }
    for (int i = 0; i < n; ++i)
        out += static_cast<unsigned short>(static_cast<unsigned char>(text[i]));
}

void AppendNumber(GBuffer& out, std::int64_t value, bool units) {
    char text[24];
    char* end = std::to_chars(text, text + sizeof text, value).ptr;
    AppendASCII(out, text, static_cast<int>(end - text), units);
}

void AppendBound(GBuffer& out, Bound bound, int offset, bool units) {
    if (bound.second)
        AppendASCII(out, "R", 1, units);
    AppendNumber(out, static_cast<std::int64_t>(bound.first) + offset, units);
}

GBuffer UnitsOf(GString const& text) { return text.GetBuffer(GUnicodeEncoding::GetInstance()); }

bool IsOpenStart(Bound b) { return !b.second && b.first == GRange::cOpenStart; }

bool IsOpenEnd(Bound b) { return !b.second && b.first == GRange::cOpenEnd; }

// "s-e", a single number when both ends are one, without the numbers of open ends.
void AppendSpan(GBuffer& out, Bound s, Bound e, int offset, GBuffer const& dash, bool units) {
    if (!IsOpenStart(s))
        AppendBound(out, s, offset, units);
    if (s == e)
        return;
    out += dash;
    if (!IsOpenEnd(e))
        AppendBound(out, e, offset, units);
}

} // namespace

GRange::GRange(char const* text) { Set(text); }

GRange::GRange(GString const& text) { Set(text); }

int GRange::Set(char const* text) {
    GBuffer borrowed;
    borrowed.SetFromStatic(text);
    return Set(borrowed);
}

int GRange::Set(GString const& text) {
    GBuffer ascii;
    if (text.GetBuffer(ascii, GASCIIEncoding::GetInstance()) != GEncoding::kConvertOK)
        return kOutsideGrammar;
    return Set(ascii);
}

namespace {

// Numbers of one kind from .. to.
struct Span {
    int from;
    int to;
};

// Joins spans given in ascending order of from into sorted, disjoint sequences that do not touch.
class SpanUnion {
public:
    explicit SpanUnion(GTable<Span>& out) : mOut(out) {}
    void Add(Span span) {
        int count = mOut.GetCount();
        if (count > 0 && mOut[count - 1].to + std::int64_t{1} >= span.from) {
            mOut[count - 1].to = std::max(mOut[count - 1].to, span.to);
            return;
        }
        mOut.AddItem(span);
    }

private:
    GTable<Span>& mOut;
};

// A function object rather than a function, so that the sorts inline it.
struct FromLess {
    bool operator()(Span const& a, Span const& b) const { return a.from < b.from; }
};

// Appends to a table through a small local block, handed over a block at a time: an item passed
// by reference to the table's append just after it was made field by field is read back before
// its stores have landed, which costs more than the rest of a short item's reading.
template <class T>
class BlockAppender {
public:
    explicit BlockAppender(GTable<T>& table) : mTable(table) {}
    void Add(T const& item) {
        mBlock[mCount] = item;
        if (++mCount == cBlockSize)
            Flush();
    }
    void Flush() {
        mTable.AddItems(mBlock, mCount);
        mCount = 0;
    }

private:
    static constexpr int cBlockSize = 32;
    GTable<T>& mTable;
    T mBlock[cBlockSize];
    int mCount = 0;
};

// The sequences read from a text, each with its ends in order. Plain sequences that come in
// ascending order of start (the form users type, "1-5,7,9-12") are merged into the range's tables
// as they are read, which keeps those tables sorted, disjoint and apart; the others are set aside
// by kind for one merge at the end (Finish).
class ParsedItems {
public:
    ParsedItems(GTable<Bound>& starts, GTable<Bound>& ends)
        : mStarts(starts), mEnds(ends), mStartsAdded(starts), mEndsAdded(ends), mPlainAdded(mPlain),
          mReverseAdded(mReverse), mMixedAdded(mMixed) {}

    void AddRange(int from, bool fromReverse, int to, bool toReverse) {
        if (from > to) {
            std::swap(from, to);
            std::swap(fromReverse, toReverse);
        }
        if (fromReverse != toReverse) {
            mMixedAdded.Add(Item{Bound(from, fromReverse), Bound(to, toReverse)});
        } else if (fromReverse) {
            mReverseAdded.Add(Span{from, to});
        } else if (!mOpen || from > mLastEnd + std::int64_t{1}) {
            // The latest sequence is kept open while later ones may still extend it.
            if (mOpen)
                Close();
            mOpen = true;
            mLastStart = from;
            mLastEnd = to;
        } else if (from >= mLastStart) {
            // Overlapping or touching the latest sequence, and no earlier one: it only grows.
            mLastEnd = std::max(mLastEnd, to);
        } else {
            mPlainAdded.Add(Span{from, to});
        }
    }
    void AddRange(int from, int to) { AddRange(from, false, to, false); }

    // Hands the sequences read to the tables. When any were set aside: each kind (plain, reverse)
    // joined as a union of intervals, sequences with ends of both kinds without their duplicates,
    // all in the order of the tables; what adding the sequences one by one with AddRange gives.
    void Finish(GRange& range) {
        if (mOpen)
            Close();
        mStartsAdded.Flush();
        mEndsAdded.Flush();
        mPlainAdded.Flush();
        mReverseAdded.Flush();
        mMixedAdded.Flush();
        if (mPlain.GetCount() == 0 && mReverse.GetCount() == 0 && mMixed.GetCount() == 0)
            return;
        const int count = mStarts.GetCount();
        GTable<Span> plain;
        if (mPlain.GetCount() == 0) {
            plain.ExpandTo(count);
            for (int k = 0; k < count; ++k)
                plain.AddItem(Span{mStarts[k].first, mEnds[k].first});
        } else {
            std::sort(mPlain.begin(), mPlain.end(), FromLess());
            SpanUnion joined(plain);
            int k = 0;
            for (Span span : mPlain) {
                for (; k < count && mStarts[k].first <= span.from; ++k)
                    joined.Add(Span{mStarts[k].first, mEnds[k].first});
                joined.Add(span);
            }
            for (; k < count; ++k)
                joined.Add(Span{mStarts[k].first, mEnds[k].first});
        }
        GTable<Span> reverse;
        std::sort(mReverse.begin(), mReverse.end(), FromLess());
        SpanUnion reverseJoined(reverse);
        for (Span span : mReverse)
            reverseJoined.Add(span);
        auto less = [](Item const& a, Item const& b) { return KeyLess(a.start, a.end, b.start, b.end); };
        std::sort(mMixed.begin(), mMixed.end(), less);
        auto same = [](Item const& a, Item const& b) { return a.start == b.start && a.end == b.end; };
        mMixed.Resize(static_cast<int>(std::unique(mMixed.begin(), mMixed.end(), same) - mMixed.begin()));

        // The three lists are each in the tables' order; merged by it.
        range.Clear();
        int total = plain.GetCount() + reverse.GetCount() + mMixed.GetCount();
        mStarts.Resize(total);
        mEnds.Resize(total);
        int p = 0;
        int r = 0;
        int m = 0;
        for (int k = 0; k < total; ++k) {
            Item next;
            int* taken = nullptr;
            if (p < plain.GetCount()) {
                next = Item{Bound(plain[p].from, false), Bound(plain[p].to, false)};
                taken = &p;
            }
            if (r < reverse.GetCount()) {
                Item item{Bound(reverse[r].from, true), Bound(reverse[r].to, true)};
                if (taken == nullptr || less(item, next)) {
                    next = item;
                    taken = &r;
                }
            }
            if (m < mMixed.GetCount() && (taken == nullptr || less(mMixed[m], next))) {
                next = mMixed[m];
                taken = &m;
            }
            ++*taken;
            mStarts[k] = next.start;
            mEnds[k] = next.end;
        }
    }

private:
    void Close() {
        mStartsAdded.Add(Bound(mLastStart, false));
        mEndsAdded.Add(Bound(mLastEnd, false));
    }

    GTable<Bound>& mStarts;
    GTable<Bound>& mEnds;
    GTable<Span> mPlain;    // plain sequences out of order
    GTable<Span> mReverse;  // both ends reverse
    GTable<Item> mMixed;    // one end of each kind
    BlockAppender<Bound> mStartsAdded;
    BlockAppender<Bound> mEndsAdded;
    BlockAppender<Span> mPlainAdded;
    BlockAppender<Span> mReverseAdded;
    BlockAppender<Item> mMixedAdded;
    bool mOpen = false;
    int mLastStart = 0;
    int mLastEnd = 0;
};

// The items of the text, by the state machine of the grammar: kParsed when the text is complete,
// kSyntaxError at the first syntax error, with the items read before it.
GRange::ParseResult ReadItems(RangeCursor& in, ParsedItems& items) {
    constexpr int cOpenStart = GRange::cOpenStart;
    constexpr int cOpenEnd = GRange::cOpenEnd;
    int number = 0;
    bool reverse = false;
    int d = 0;
    enum State { kItemStart, kAfterMinus, kNumber, kAfterDash, kNegativeEnd, kComplete };
    State state = kItemStart;
    while (!in.AtEnd()) {
        unsigned char c = in.Peek();
        bool isReverse = c == 'r' || c == 'R';
        switch (state) {
        case kItemStart:
            reverse = false;
            if (IsDigit(c)) {
                if (!in.ReadNumber(number))
                    return GRange::kSyntaxError;
                state = kNumber;
            } else if (c == '-') {
                in.Next();
                state = kAfterMinus;
            } else if (isReverse) {
                if (!in.ReadReverse(number))
                    return GRange::kSyntaxError;
                reverse = true;
                state = kNumber;
            } else {
                return GRange::kSyntaxError;
            }
            break;
        case kAfterMinus:
            if (IsDigit(c)) {
                if (!in.ReadNumber(d))
                    return GRange::kSyntaxError;
                number = -d;
                state = kNumber;
            } else if (c == ',') {
                in.Next();
                items.AddRange(cOpenStart, cOpenEnd);
                state = kItemStart;
            } else if (c == '-') {
                in.Next();
                number = cOpenStart;
                state = kNegativeEnd;
            } else {
                return GRange::kSyntaxError;
            }
            break;
        case kNumber:
            if (c == '-') {
                in.Next();
                state = kAfterDash;
            } else if (c == ',') {
                in.Next();
                items.AddRange(number, reverse, number, reverse);
                state = kItemStart;
            } else {
                return GRange::kSyntaxError;
            }
            break;
        case kAfterDash:
            if (IsDigit(c)) {
                if (!in.ReadNumber(d))
                    return GRange::kSyntaxError;
                items.AddRange(number, reverse, d, false);
                state = kComplete;
            } else if (c == '-') {
                in.Next();
                state = kNegativeEnd;
            } else if (c == ',') {
                in.Next();
                items.AddRange(number, reverse, cOpenEnd, false);
                state = kItemStart;
            } else if (isReverse) {
                if (!in.ReadReverse(d))
                    return GRange::kSyntaxError;
                items.AddRange(number, reverse, d, true);
                state = kComplete;
            } else {
                return GRange::kSyntaxError;
            }
            break;
        case kNegativeEnd:
            if (!in.ReadNumber(d))
                return GRange::kSyntaxError;
            items.AddRange(number, reverse, -d, false);
            state = kComplete;
            break;
        case kComplete:
            if (c != ',')
                return GRange::kSyntaxError;
            in.Next();
            state = kItemStart;
            break;
        }
    }
    switch (state) {
    case kAfterMinus:
        items.AddRange(cOpenStart, cOpenEnd);
        return GRange::kParsed;
    case kNumber:
        items.AddRange(number, reverse, number, reverse);
        return GRange::kParsed;
    case kAfterDash:
        items.AddRange(number, reverse, cOpenEnd, false);
        return GRange::kParsed;
    case kComplete:
        return GRange::kParsed;
    default:
        return GRange::kSyntaxError;
    }
}

} // namespace

int GRange::Set(GBuffer const& text) {
    unsigned char const* p = text.GetPtr();
    int n = text.GetLength();
    // A character outside the grammar leaves the range as it was. A range with contents has the
    // text checked before anything changes. An empty range is not: the reader stops at such a
    // character as at a syntax error, and only then is the whole text checked and the range
    // emptied again.
    const bool wasEmpty = !mSelectAll && GetNumOfSequences() == 0;
    if (!wasEmpty && !cRangeChars.AllIn(p, n))
        return kOutsideGrammar;
    Clear();
    RangeCursor in(p, n);
    if (in.AtEnd())
        return kSyntaxError;
    ParsedItems items(mStarts, mEnds);
    const ParseResult result = ReadItems(in, items);
    items.Finish(*this);
    if (result == kSyntaxError && wasEmpty && !cRangeChars.AllIn(p, n)) {
        Clear();
        return kOutsideGrammar;
    }
    return result;
}

// ---- Merging ----

namespace {

// Sequences of one kind (both ends plain, or both reverse) are the ones that merge; the table is
// sorted by start, so each kind's sequences are sorted and disjoint among themselves.
class KindView {
public:
    KindView(GTable<Bound> const& starts, GTable<Bound> const& ends, bool reverse)
        : mStarts(starts), mEnds(ends), mReverse(reverse) {}

    bool Has(int i) const { return mStarts[i].second == mReverse && mEnds[i].second == mReverse; }
    int Count() const { return mStarts.GetCount(); }
    int NextFrom(int i) const {
        while (i < Count() && !Has(i))
            ++i;
        return i;
    }
    int PreviousBefore(int i) const {
        for (--i; i >= 0 && !Has(i); --i) {
        }
        return i;
    }
    // The first sequence of the kind that ends at or above value; inside when it starts at or
    // below it. Count() when there is none.
    int Find(int value, bool& inside) const {
        int after = UpperBound(value);
        int last = PreviousBefore(after);
        if (last >= 0 && mEnds[last].first >= value) {
            inside = true;
            return last;
        }
        inside = false;
        return NextFrom(after);
    }
    // The first index whose start is above value.
    int UpperBound(int value) const {
        Bound const* hit = std::upper_bound(mStarts.begin(), mStarts.end(), value,
                                            [](int v, Bound const& b) { return v < b.first; });
        return static_cast<int>(hit - mStarts.begin());
    }

private:
    GTable<Bound> const& mStarts;
    GTable<Bound> const& mEnds;
    bool mReverse;
};

} // namespace

int GRange::AddRange(int from, bool fromReverse, int to, bool toReverse) {
    if (mSelectAll)
        return 0;
    Bound first(from, fromReverse);
    Bound last(to, toReverse);
    if (from > to)
        std::swap(first, last);
    if (first.second != last.second)
        return AddMixed(first, last);
    return MergeSameKind(first, last);
}

int GRange::MergeSameKind(Bound from, Bound to) {
    KindView kind(mStarts, mEnds, from.second);
    // Past every sequence of its kind without touching one, and last in order: appended.
    int count = GetNumOfSequences();
    int lastOfKind = kind.PreviousBefore(count);
    if ((lastOfKind < 0 || mEnds[lastOfKind].first + std::int64_t{1} < from.first) &&
        (count == 0 || !KeyLess(from, to, mStarts[count - 1], mEnds[count - 1]))) {
        mStarts.AddItem(from);
        mEnds.AddItem(to);
        return 1;
    }
    bool fromInside = false;
    bool toInside = false;
    int i = kind.Find(from.first, fromInside);
    int j = kind.Find(to.first, toInside);
    if (fromInside && toInside && i == j)
        return 0;
    // Sequences of the kind from first to last (inclusive) go into the new one.
    int firstAbsorbed = i;
    int lastAbsorbed = toInside ? j : kind.PreviousBefore(j);
    std::int64_t lo = fromInside ? mStarts[i].first : from.first;
    std::int64_t hi = toInside ? mEnds[j].first : to.first;
    int result = fromInside || toInside || lastAbsorbed >= firstAbsorbed ? 3 : 1;

    int before = kind.PreviousBefore(firstAbsorbed);
    if (before >= 0 && mEnds[before].first + std::int64_t{1} == lo) {
        lo = mStarts[before].first;
        firstAbsorbed = before;
    }
    int after = kind.NextFrom(std::max(lastAbsorbed + 1, i));
    if (after < kind.Count() && hi + 1 == mStarts[after].first) {
        hi = mEnds[after].first;
        lastAbsorbed = after;
    }
    for (int k = lastAbsorbed; k >= firstAbsorbed; --k) {
        if (kind.Has(k)) {
            mStarts.RemoveItemAt(k);
            mEnds.RemoveItemAt(k);
        }
    }
    InsertSorted(Bound(static_cast<int>(lo), from.second), Bound(static_cast<int>(hi), to.second));
    return result;
}

// The span of a sequence with ends of both kinds depends on the count, so it merges with nothing.
int GRange::AddMixed(Bound from, Bound to) {
    KindView all(mStarts, mEnds, false);
    for (int k = all.UpperBound(from.first) - 1; k >= 0 && mStarts[k].first == from.first; --k)
        if (mStarts[k] == from && mEnds[k] == to)
            return 0;
    InsertSorted(from, to);
    return 1;
}

void GRange::InsertSorted(Bound start, Bound end) {
    int lo = 0;
    int hi = GetNumOfSequences();
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (KeyLess(start, end, mStarts[mid], mEnds[mid]))
            hi = mid;
        else
            lo = mid + 1;
    }
    int at = lo;
    mStarts.InsertItemAt(at, start);
    mEnds.InsertItemAt(at, end);
}

int GRange::AddSequence(int start, int length) {
    if (length == 0)
        return 0;
    std::int64_t other = length > 0 ? static_cast<std::int64_t>(start) + length - 1
                                    : static_cast<std::int64_t>(start) + length + 1;
    return AddRange(start, Clamped(other));
}

int GRange::Add(GTable<int> const& numbers) {
    int result = 0;
    for (int n : numbers)
        result |= Add(n);
    return result;
}

int GRange::Add(GRange const& other) {
    if (&other == this)
        return 0;
    if (other.mSelectAll) {
        if (mSelectAll)
            return 0;
        SetSelectAll();
        return 3;
    }
    int result = 0;
    for (int k = 0; k < other.GetNumOfSequences(); ++k)
        result |= AddRange(other.mStarts[k].first, other.mStarts[k].second, other.mEnds[k].first,
                           other.mEnds[k].second);
    return result;
}

void GRange::SetSelectAll() {
    mStarts.Resize(0);
    mEnds.Resize(0);
    mSelectAll = 1;
}

void GRange::Clear() {
    mStarts.Resize(0);
    mEnds.Resize(0);
    mSelectAll = 0;
}

// ---- Queries ----

void GRange::GetSequence(int i, GPair<int, bool>& start, GPair<int, bool>& end) const {
    if (i < 0 || i >= GetNumOfSequences())
        return;
    start = mStarts[i];
    end = mEnds[i];
}

void GRange::GetSequence(int i, int& start, int& length) const {
    if (i < 0 || i >= GetNumOfSequences())
        return;
    start = mStarts[i].first;
    length = Clamped(static_cast<std::int64_t>(mEnds[i].first) - mStarts[i].first + 1);
}

int GRange::GetCount() const {
    constexpr std::int64_t cMost = 0x7FFFFFFF;
    if (mSelectAll)
        return static_cast<int>(cMost);
    std::int64_t sum = 0;
    for (int k = 0; k < GetNumOfSequences() && sum < cMost; ++k)
        sum += static_cast<std::int64_t>(mEnds[k].first) - mStarts[k].first + 1;
    return static_cast<int>(std::min(sum, cMost));
}

bool GRange::IsInRange(int n) const {
    if (mSelectAll)
        return true;
    for (int k = 0; k < GetNumOfSequences(); ++k)
        if (mStarts[k].first <= n && n <= mEnds[k].first)
            return true;
    return false;
}

int GRange::IsInRange(int from, int to) const {
    if (mSelectAll)
        return 0;
    for (int k = 0; k < GetNumOfSequences(); ++k) {
        if (mStarts[k].first <= from && to <= mEnds[k].first)
            return mStarts[k].first == from && mEnds[k].first == to ? 1 : 0;
    }
    return 2;
}

int GRange::GetNext(int n) const {
    if (mSelectAll)
        return n == 0x7FFFFFFF ? n : n + 1;
    for (int k = 0; k < GetNumOfSequences(); ++k) {
        if (n < mStarts[k].first)
            return mStarts[k].first;
        if (n < mEnds[k].first)
            return n + 1;
    }
    return n;
}

int GRange::GetPrevious(int n) const {
    if (mSelectAll)
        return n == -0x7FFFFFFF - 1 ? n : n - 1;
    for (int k = GetNumOfSequences() - 1; k >= 0; --k) {
        if (n > mEnds[k].first)
            return mEnds[k].first;
        if (n > mStarts[k].first)
            return n - 1;
    }
    return n;
}

void GRange::GetUnion(int& from, int& to) const {
    if (mSelectAll) {
        from = cOpenStart;
        to = cOpenEnd;
        return;
    }
    if (GetNumOfSequences() == 0) {
        from = -1;
        to = -1;
        return;
    }
    from = mStarts[0].first;
    to = mEnds[0].first;
    for (int k = 1; k < GetNumOfSequences(); ++k) {
        from = std::min(from, mStarts[k].first);
        to = std::max(to, mEnds[k].first);
    }
}

GRange GRange::GetIntersection(GRange const& a, GRange const& b) {
    if (a.mSelectAll)
        return b;
    if (b.mSelectAll)
        return a;
    GRange result;
    for (int i = 0; i < a.GetNumOfSequences(); ++i) {
        Bound as = a.mStarts[i];
        Bound ae = a.mEnds[i];
        bool pure = as.second == ae.second;
        for (int k = 0; k < b.GetNumOfSequences(); ++k) {
            Bound bs = b.mStarts[k];
            Bound be = b.mEnds[k];
            // From the open start to the open end holds every item, counted either way.
            if (IsOpenStart(as) && IsOpenEnd(ae)) {
                result.AddRange(bs.first, bs.second, be.first, be.second);
                continue;
            }
            if (IsOpenStart(bs) && IsOpenEnd(be)) {
                result.AddRange(as.first, as.second, ae.first, ae.second);
                continue;
            }
            if (bs.second != as.second || be.second != ae.second)
                continue;
            if (!pure) {
                // Without the count only an identical sequence is known to be common.
                if (as == bs && ae == be)
                    result.AddRange(as.first, as.second, ae.first, ae.second);
                continue;
            }
            int lo = std::max(as.first, bs.first);
            int hi = std::min(ae.first, be.first);
            if (lo <= hi)
                result.AddRange(lo, as.second, hi, ae.second);
        }
    }
    return result;
}

bool GRange::HasReverseItems() const {
    for (int k = 0; k < GetNumOfSequences(); ++k)
        if (mStarts[k].second || mEnds[k].second)
            return true;
    return false;
}

void GRange::Resolve(int count) {
    if (!HasReverseItems())
        return;
    auto resolve = [count](Bound& b) {
        if (b.second)
            b = Bound(Clamped(static_cast<std::int64_t>(count) + 1 - b.first), false);
    };
    for (int k = 0; k < GetNumOfSequences(); ++k) {
        resolve(mStarts[k]);
        resolve(mEnds[k]);
    }
    Rebuild();
}

void GRange::Shift(int delta) {
    bool clamped = false;
    auto shift = [delta, &clamped](Bound& b) {
        if (b.second || IsOpenStart(b) || IsOpenEnd(b))
            return;
        std::int64_t moved = static_cast<std::int64_t>(b.first) + delta;
        b.first = Clamped(moved);
        clamped = clamped || b.first != moved;
    };
    for (int k = 0; k < GetNumOfSequences(); ++k) {
        shift(mStarts[k]);
        shift(mEnds[k]);
    }
    // Clamped numbers may now overlap; plain numbers moved past reverse ones break the order.
    if (clamped || HasReverseItems())
        Rebuild();
}

// Adds the sequences one by one to a fresh range, which sorts and merges them.
void GRange::Rebuild() {
    GRange fresh;
    for (int k = 0; k < GetNumOfSequences(); ++k)
        fresh.AddRange(mStarts[k].first, mStarts[k].second, mEnds[k].first, mEnds[k].second);
    *this = fresh;
}

bool GRange::operator==(GRange const& other) const {
    if (mSelectAll != other.mSelectAll || GetNumOfSequences() != other.GetNumOfSequences())
        return false;
    for (int k = 0; k < GetNumOfSequences(); ++k)
        if (mStarts[k] != other.mStarts[k] || mEnds[k] != other.mEnds[k])
            return false;
    return true;
}

int GRange::PartialOrderLessThan(GRange const& other) const {
    if (HasReverseItems() || other.HasReverseItems())
        return 2;
    // Select-all holds no sequences but every member: it is compared before emptiness.
    if (mSelectAll)
        return other.mSelectAll ? 1 : 2;
    if (other.mSelectAll)
        return 0;
    if (GetNumOfSequences() == 0)
        return other.GetNumOfSequences() == 0 ? 1 : 0;
    if (other.GetNumOfSequences() == 0)
        return 2;
    bool allShared = true;
    for (int k = 0; k < GetNumOfSequences(); ++k) {
        int contained = other.IsInRange(mStarts[k].first, mEnds[k].first);
        if (contained == 2)
            return 2;
        allShared = allShared && contained == 1;
    }
    if (GetNumOfSequences() < other.GetNumOfSequences())
        return 0;
    return allShared ? 1 : 0;
}

bool GRange::CheckConsistency() const {
    if (mSelectAll)
        return true;
    if (mStarts.GetCount() != mEnds.GetCount())
        return false;
    std::int64_t lastEnd[2] = {INT64_MIN, INT64_MIN};
    for (int k = 0; k < GetNumOfSequences(); ++k) {
        Bound s = mStarts[k];
        Bound e = mEnds[k];
        if (k > 0 && s.first < mStarts[k - 1].first)
            return false;
        if (s.second != e.second)
            continue;  // its span is not known before Resolve
        std::int64_t& last = lastEnd[s.second ? 1 : 0];
        if (s.first > e.first || s.first <= last)
            return false;
        last = e.first;
    }
    return true;
}

// ---- Text ----

void GRange::AppendSequence(GBuffer& out, int i, int offset, GBuffer const& separator, GBuffer const& dash,
                            bool units) const {
    Bound s = mStarts[i];
    Bound e = mEnds[i];
    if (IsOpenStart(s) && !IsOpenEnd(e) && !e.second && static_cast<std::int64_t>(e.first) + offset >= 0) {
        // "-n" would read back as the number -n: the part up to -1 goes first, and reading joins
        // it with the part from 0 on.
        out += dash;
        AppendNumber(out, -1, units);
        out += separator;
        AppendNumber(out, 0, units);
        if (static_cast<std::int64_t>(e.first) + offset > 0) {
            out += dash;
            AppendNumber(out, static_cast<std::int64_t>(e.first) + offset, units);
        }
        return;
    }
    AppendSpan(out, s, e, offset, dash, units);
}

void GRange::WriteText(GBuffer& out, int offset, GBuffer const& separator, GBuffer const& dash, bool units) const {
    GBuffer text;
    if (mSelectAll)
        text = dash;
    for (int k = 0; k < GetNumOfSequences(); ++k) {
        if (k > 0)
            text += separator;
        AppendSequence(text, k, offset, separator, dash, units);
    }
    out.Swap(text);
}

void GRange::WriteCompactText(GBuffer& out, int maxSequences, GBuffer const& compactDash, int offset,
                              GBuffer const& separator, GBuffer const& dash, bool units) const {
    int count = GetNumOfSequences();
    if (count <= maxSequences || count == 0) {
        WriteText(out, offset, separator, dash, units);
        return;
    }
    Bound s = mStarts[0];
    Bound e = mEnds[count - 1];
    GBuffer text;
    AppendSpan(text, s, e, offset, compactDash, units);
    out.Swap(text);
}

void GRange::ToString(GBuffer& out, int offset, GBuffer const& separator, GBuffer const& dash) const {
    WriteText(out, offset, separator, dash, false);
}

void GRange::ToString(GString& out, int offset, GString const& separator, GString const& dash) const {
    GBuffer text;
    WriteText(text, offset, UnitsOf(separator), UnitsOf(dash), true);
    out.Set(text, GUnicodeEncoding::GetInstance(), true);
}

void GRange::ToCompactString(GBuffer& out, int maxSequences, GBuffer const& compactDash, int offset,
                             GBuffer const& separator, GBuffer const& dash) const {
    WriteCompactText(out, maxSequences, compactDash, offset, separator, dash, false);
}

void GRange::ToCompactString(GString& out, int maxSequences, GString const& compactDash, int offset,
                             GString const& separator, GString const& dash) const {
    GBuffer text;
    WriteCompactText(text, maxSequences, UnitsOf(compactDash), offset, UnitsOf(separator), UnitsOf(dash), true);
    out.Set(text, GUnicodeEncoding::GetInstance(), true);
}
