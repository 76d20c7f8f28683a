#pragma once
// GUnitSupport: lengths between points (1/72 inch, the unit of every length inside the system)
// and the user's measurement unit. It keeps the user's default unit in the preferences (group
// "General", key "UnitV3", older files "Unit"), converts and formats lengths, sizes and
// rectangles for display, and registers the units' names (ids 1300-1525).
//
// Callers may rely on:
// - Every entry point that takes a unit code, an index or a stored symbol answers for an unknown
//   one as for points (code 0): no code outside the table is ever returned or used.
// - Numbers are written with "." whatever the process locale.
// - Initialize installs the measurement formatter of GLngString, so a message's measurement is
//   rendered in the default unit with 4 decimals; Finalize removes it. Both are counted.
// - SetDefaultUnitCode writes at level -3 and then sends signal 105 (preferences changed).
// - The default unit is read from the preferences at each call; main thread only, as the
//   preferences are.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "core/values/GRectBase.h"
#include "core/values/GSizeBase.h"

class GUnitSupport {
public:
    GUnitSupport() = delete;

    enum Unit : int32_t {
        kPoints = 0,
        kPicas = 1,
        kInches = 2,
        kCentimeters = 3,
        kMillimeters = 4,
        kMeters = 5,
        kFeet = 6,
    };
    static constexpr int kUnitCount = 7;

    // Ids of the units' names: plural 1300 + code, singular 1400 + code, abbreviation 1500 + code;
    // the resolution unit (pixels per inch) at 1325, 1425 and 1525.
    static constexpr int kPluralNameBase = 1300;
    static constexpr int kSingularNameBase = 1400;
    static constexpr int kAbbreviationBase = 1500;
    static constexpr int kResolutionOffset = 25;

    static GBuffer const cPrefUnitV3;  // "UnitV3"
    static GBuffer const cPrefUnitV2;  // "Unit"

    static void Initialize();
    static void Finalize();

    static void SetDefaultUnitCode(Unit code);
    // "UnitV3", else "Unit", else the number under key "2"; points when none names a unit.
    static Unit GetDefaultUnitCode();
    static GString GetDefaultUnitSymbol();
    static double GetDefaultUnitFactor();

    static GString GetSymbolForUnitCode(Unit code);
    static double GetFactorForUnitCode(Unit code);
    // Exact, case-sensitive comparison; an unknown symbol gives points.
    static Unit GetUnitCodeForSymbol(GString const& symbol);
    // False, code untouched, for an unknown symbol.
    static bool GetUnitCodeForSymbol(GString const& symbol, Unit& code);
    // Display order: pt, p, in, ft, mm, cm, m.
    static Unit GetUnitForIndex(int index);

    // points in the default unit with decimals fractional digits at most (one more for units
    // other than pt and mm), trailing zeros cut, then a blank and the symbol.
    static void FormatValueWithUnit(GString& out, double points, int decimals);
    static GString FormatValueWithUnit(double points, int decimals);
    static void FormatValueWithoutUnit(GString& out, double points, int decimals);
    static GString FormatValueWithoutUnit(double points, int decimals);
    // "(" width ", " height ") " symbol.
    static GString FormatValueWithUnit(GSizeBase<double> const& size, int decimals);
    // "(" c0 ", " c2 ", " c1 ", " c3 ") " symbol, c0 to c3 the stored coordinates.
    static GString FormatValueWithUnit(GRectBase<double> const& rect, int decimals);
    // value given in unit code, in points, with at most 6 decimals, trailing zeros cut.
    static void FormatValueToPointsWithoutUnit(GString& out, double value, Unit code);
    static GString FormatValueToPointsWithoutUnit(double value, Unit code);
};
