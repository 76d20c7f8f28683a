#include "services/units/GUnitSupport.h"

#include "core/base/GException.h"
#include "core/signals/GBasicSignals.h"
#include "core/text/GLngString.h"
#include "core/text/GStringPoolData.h"
#include "services/preferences/GPreferences.h"
#include "services/strings/GStringPoolSupport.h"
#include "services/units/GKelvoraGeneralPrefs.h"

namespace {

struct UnitInfo {
    char const* symbol;
    double pointsPerUnit;
};

constexpr UnitInfo sUnitInfo[GUnitSupport::kUnitCount] = {
    {"pt", 1.0},           {"p", 12.0},          {"in", 72.0}, {"cm", 72.0 / 2.54},
    {"mm", 72.0 / 25.4},   {"m", 7200.0 / 2.54}, {"ft", 864.0},
};

int sInitCount = 0;

GBuffer Static(char const* text) {
    GBuffer buffer;
    buffer.SetFromStatic(text);
    return buffer;
}

// The preference key that held the unit as a number before symbols were stored.
GBuffer const& NumericUnitKey() {
    static GBuffer const key = Static("2");
    return key;
}

bool IsUnitCode(int code) { return code >= 0 && code < GUnitSupport::kUnitCount; }

// A code that did not come from the table (a stored number, a cast) reads as points.
GUnitSupport::Unit Checked(int code) {
    return IsUnitCode(code) ? static_cast<GUnitSupport::Unit>(code) : GUnitSupport::kPoints;
}

UnitInfo const& InfoOf(GUnitSupport::Unit code) { return sUnitInfo[Checked(code)]; }

int DecimalsFor(GUnitSupport::Unit code, int decimals) {
    if (decimals < 0)
        decimals = 0;
    return code == GUnitSupport::kPoints || code == GUnitSupport::kMillimeters ? decimals : decimals + 1;
}

GString Number(double value, int decimals) {
    GString text;
    text.Set(value, decimals);
    return text;
}

// points in the default unit: the unit is read once, so a size or a rectangle never mixes two.
struct DefaultUnitFormat {
    GUnitSupport::Unit code = GUnitSupport::GetDefaultUnitCode();
    double factor = GUnitSupport::GetFactorForUnitCode(code);

    GString Format(double points, int decimals) const { return Number(points / factor, DecimalsFor(code, decimals)); }

    GString Suffix() const {
        GString suffix(" ");
        suffix += GUnitSupport::GetSymbolForUnitCode(code);
        return suffix;
    }
};

// A message's measurement: the default unit with four decimals. A preference that cannot be
// read must not fail the message, so it then shows points.
void FormatMeasurement(double points, GString& out) {
    try {
        GUnitSupport::FormatValueWithUnit(out, points, 4);
    } catch (GMemoryException const&) {
        throw;
    } catch (GException const&) {
        out = Number(points, 4);
        out += GString(" pt");
    }
}

void RegisterTexts() {
    static GStringPoolDataStruct const sStringPoolData[] = {
        {1300, "Points"},         {-1, "Picas"},          {-1, "Inches"}, {-1, "Centimeters"},
        {-1, "Millimeters"},      {-1, "Meters"},         {-1, "Feet"},   {1325, "Pixels per inch"},
        {1400, "Point"},          {-1, "Pica"},           {-1, "Inch"},   {-1, "Centimeter"},
        {-1, "Millimeter"},       {-1, "Meter"},          {-1, "Foot"},   {1425, "Pixel per inch"},
        {1500, "pt"},             {-1, "p"},              {-1, "in"},     {-1, "cm"},
        {-1, "mm"},               {-1, "m"},              {-1, "ft"},     {1525, "ppi"},
    };
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", sStringPoolData,
                                          static_cast<int>(sizeof sStringPoolData / sizeof sStringPoolData[0]), false);
}

}  // namespace

GBuffer const GUnitSupport::cPrefUnitV3 = Static("UnitV3");
GBuffer const GUnitSupport::cPrefUnitV2 = Static("Unit");

void GUnitSupport::Initialize() {
    if (sInitCount++ > 0)
        return;
    try {
        RegisterTexts();
    } catch (...) {
        --sInitCount;
        throw;
    }
    GLngString::SetMeasurementFormatter(&FormatMeasurement);
}

void GUnitSupport::Finalize() {
    if (sInitCount == 0 || --sInitCount > 0)
        return;
    GLngString::SetMeasurementFormatter(nullptr);
}

void GUnitSupport::SetDefaultUnitCode(Unit code) {
    GPreferences::Set(-3, GKelvoraGeneralPrefs::cGroupIDGeneralPrefs, cPrefUnitV3, GetSymbolForUnitCode(code));
    GBasicSignals::SendPreferencesChanged();
}

GUnitSupport::Unit GUnitSupport::GetDefaultUnitCode() {
    GBuffer const& group = GKelvoraGeneralPrefs::cGroupIDGeneralPrefs;
    if (GPreferences::Has(group, cPrefUnitV3))
        return GetUnitCodeForSymbol(GPreferences::Get(group, cPrefUnitV3));
    if (GPreferences::Has(group, cPrefUnitV2))
        return GetUnitCodeForSymbol(GPreferences::Get(group, cPrefUnitV2));
    return Checked(GPreferences::Get(group, NumericUnitKey()).GetInt32());
}

GString GUnitSupport::GetDefaultUnitSymbol() { return GetSymbolForUnitCode(GetDefaultUnitCode()); }

double GUnitSupport::GetDefaultUnitFactor() { return GetFactorForUnitCode(GetDefaultUnitCode()); }

GString GUnitSupport::GetSymbolForUnitCode(Unit code) { return GString(InfoOf(code).symbol); }

double GUnitSupport::GetFactorForUnitCode(Unit code) { return InfoOf(code).pointsPerUnit; }

GUnitSupport::Unit GUnitSupport::GetUnitCodeForSymbol(GString const& symbol) {
    Unit code = kPoints;
    GetUnitCodeForSymbol(symbol, code);
    return code;
}

bool GUnitSupport::GetUnitCodeForSymbol(GString const& symbol, Unit& code) {
    for (int i = 0; i < kUnitCount; ++i) {
        if (symbol == GString(sUnitInfo[i].symbol)) {
            code = static_cast<Unit>(i);
            return true;
        }
    }
    return false;
}

GUnitSupport::Unit GUnitSupport::GetUnitForIndex(int index) {
    static Unit const fDisplayOrder[kUnitCount] = {kPoints, kPicas, kInches, kFeet, kMillimeters, kCentimeters, kMeters};
    return IsUnitCode(index) ? fDisplayOrder[index] : kPoints;
}

void GUnitSupport::FormatValueWithUnit(GString& out, double points, int decimals) {
    DefaultUnitFormat const unit;
    out = unit.Format(points, decimals);
    out += unit.Suffix();
}

GString GUnitSupport::FormatValueWithUnit(double points, int decimals) {
    GString out;
    FormatValueWithUnit(out, points, decimals);
    return out;
}

void GUnitSupport::FormatValueWithoutUnit(GString& out, double points, int decimals) {
    out = DefaultUnitFormat().Format(points, decimals);
}

GString GUnitSupport::FormatValueWithoutUnit(double points, int decimals) {
    GString out;
    FormatValueWithoutUnit(out, points, decimals);
    return out;
}

GString GUnitSupport::FormatValueWithUnit(GSizeBase<double> const& size, int decimals) {
    DefaultUnitFormat const unit;
    GString out("(");
    out += unit.Format(size.GetWidth(), decimals);
    out += GString(", ");
    out += unit.Format(size.GetHeight(), decimals);
    out += GString(")");
    out += unit.Suffix();
    return out;
}

GString GUnitSupport::FormatValueWithUnit(GRectBase<double> const& rect, int decimals) {
    DefaultUnitFormat const unit;
    static int const fOrder[] = {0, 2, 1, 3};
    GString out("(");
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            out += GString(", ");
        out += unit.Format(rect.Get(fOrder[i]), decimals);
    }
    out += GString(")");
    out += unit.Suffix();
    return out;
}

void GUnitSupport::FormatValueToPointsWithoutUnit(GString& out, double value, Unit code) {
    out = GString(value * GetFactorForUnitCode(code));
}

GString GUnitSupport::FormatValueToPointsWithoutUnit(double value, Unit code) {
    GString out;
    FormatValueToPointsWithoutUnit(out, value, code);
    return out;
}
