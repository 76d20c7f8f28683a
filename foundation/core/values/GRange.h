#pragma once
// GRange: a set of integers kept as closed sequences, with the text form users type for lists of
// pages ("1-3,5", "7-" to the end, "r2-r1" for the last two items, "-" for every item).
//
// A number flagged reverse counts from the end of a collection whose size is not known yet
// (reverse 1 is the last item); Resolve(count) turns such numbers into plain ones. Two numbers
// stand for open ends: cOpenStart (from the first item) and cOpenEnd (up to the last one). The
// select-all flag stands for every integer; a range that has it holds no sequences.
//
// Callers may rely on:
// - Sequences are sorted by start; sequences whose two ends are of one kind (plain or reverse)
//   are pairwise disjoint and never touch among their kind. A sequence whose ends are of
//   different kinds ("3-r1") is kept as it is until Resolve: its size is not known before.
// - Text never yields a number above cMaxNumber (in magnitude), so it cannot collide with the
//   open ends; such a number is a syntax error.
// - ToString of a parsed range, with offset 0, "," and "-", parses back to an equal range.
// - A failed Set leaves the range exactly as it was when the text holds a character outside the
//   grammar (kOutsideGrammar); a syntax error (kSyntaxError) keeps the sequences read before it.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/containers/GPair.h"
#include "core/containers/GTable.h"

class GString;

class GRange {
public:
    static constexpr int cOpenStart = -0x7FFFFFFF;  // 0x80000001
    static constexpr int cOpenEnd = 0x7FFFFFFE;
    // The largest number a text may give: the last page that can be named, below the open end.
    static constexpr int cMaxNumber = 0x7FFFFFFD;
    static const GRange cEmptyRange;

    GRange() noexcept = default;
    GRange(GRange const& other) = default;
    GRange& operator=(GRange const& other) = default;
    explicit GRange(char const* text);
    explicit GRange(GString const& text);

    // The results of Set, returned as int.
    enum ParseResult {
        kParsed = 0,
        kOutsideGrammar = 1,  // a character other than digits, ",", "-", "r", "R", blank and tab
        kSyntaxError = 2,     // also an empty text
    };

    int Set(GBuffer const& text);
    int Set(char const* text);
    // The text in ASCII; a character ASCII cannot hold is outside the grammar.
    int Set(GString const& text);

    // 0: nothing changed; 1: inserted without touching another sequence; 3: sequences extended
    // or replaced.
    int AddRange(int from, bool fromReverse, int to, bool toReverse);
    int AddRange(int from, int to) { return AddRange(from, false, to, false); }
    int Add(int n) { return AddRange(n, false, n, false); }
    int AddReverse(int n) { return AddRange(n, true, n, true); }
    // length > 0: start .. start + length - 1; length < 0: start + length + 1 .. start.
    int AddSequence(int start, int length);
    int Add(GTable<int> const& numbers);
    // Adding a select-all range makes this one select-all.
    int Add(GRange const& other);

    void SetSelectAll();
    bool IsSelectAll() const { return mSelectAll != 0; }
    void Clear();

    int GetNumOfSequences() const { return mStarts.GetCount(); }
    // Out of bounds leaves the outputs unchanged.
    void GetSequence(int i, GPair<int, bool>& start, GPair<int, bool>& end) const;
    void GetSequence(int i, int& start, int& length) const;
    // Members counted (open ends at their numeric values), at most 0x7FFFFFFF; select-all gives
    // 0x7FFFFFFF.
    int GetCount() const;
    bool IsInRange(int n) const;
    // 0: inside a larger sequence (or select-all); 1: exactly a sequence; 2: not contained.
    int IsInRange(int from, int to) const;
    // The next (previous) member, or n itself when there is none.
    int GetNext(int n) const;
    int GetPrevious(int n) const;
    // Smallest start and largest end; -1 and -1 when empty, the open ends for select-all.
    void GetUnion(int& from, int& to) const;
    // The common members. Sequences are compared only with sequences whose ends are of the same
    // kinds (the sequence of every item, open start to open end, meets all); resolve ranges with
    // reverse numbers first for a complete answer.
    static GRange GetIntersection(GRange const& a, GRange const& b);
    bool HasReverseItems() const;
    // Reverse numbers r become count + 1 - r; the sequences are then merged anew.
    void Resolve(int count);
    // Adds delta to plain numbers other than the open ends, within -cMaxNumber .. cMaxNumber.
    void Shift(int delta);

    bool operator==(GRange const& other) const;
    bool operator!=(GRange const& other) const { return !(*this == other); }
    // As sets: 0 when this range is a proper part of other, 1 when equal, 2 otherwise (also
    // whenever reverse numbers are involved).
    int PartialOrderLessThan(GRange const& other) const;
    bool CheckConsistency() const;

    // The text form, offset added to every number written, "R" before reverse numbers. Select-all
    // is written as the dash alone (every item).
    // The GString forms give UTF-16 text.
    void ToString(GBuffer& out, int offset, GBuffer const& separator, GBuffer const& dash) const;
    void ToString(GString& out, int offset, GString const& separator, GString const& dash) const;
    // As ToString up to maxSequences sequences; beyond that only the span, joined by compactDash.
    void ToCompactString(GBuffer& out, int maxSequences, GBuffer const& compactDash, int offset,
                         GBuffer const& separator, GBuffer const& dash) const;
    void ToCompactString(GString& out, int maxSequences, GString const& compactDash, int offset,
                         GString const& separator, GString const& dash) const;

private:
    using Bound = GPair<int, bool>;  // number and reverse flag

    int MergeSameKind(Bound from, Bound to);
    int AddMixed(Bound from, Bound to);
    void InsertSorted(Bound start, Bound end);
    // Text as bytes, or with units set as UTF-16 units (separator and dash given in that form).
    void WriteText(GBuffer& out, int offset, GBuffer const& separator, GBuffer const& dash, bool units) const;
    void WriteCompactText(GBuffer& out, int maxSequences, GBuffer const& compactDash, int offset,
                          GBuffer const& separator, GBuffer const& dash, bool units) const;
    void AppendSequence(GBuffer& out, int i, int offset, GBuffer const& separator, GBuffer const& dash,
                        bool units) const;
    void Rebuild();

    std::int32_t mSelectAll = 0;
    GTable<Bound> mStarts;
    GTable<Bound> mEnds;
};
