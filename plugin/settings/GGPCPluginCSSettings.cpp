#include "plugin/settings/GGPCPluginCSSettings.h"

#include <charconv>
#include <cmath>

#include "core/text/encodings/GASCIIEncoding.h"

GBuffer const GGPCPluginCSSettings::cPluginSettingsGroup("PluginSettings");
GBuffer const GGPCPluginCSSettings::cPluginBleedChoice("BleedChoice");
GBuffer const GGPCPluginCSSettings::cPluginBleedTopValue("BleedTopValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedBottomValue("BleedBottomValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedInsideValue("BleedInsideValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedOutsideValue("BleedOutsideValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedIncludeSlugArea("BleedSlugArea");
GBuffer const GGPCPluginCSSettings::cPluginPrintSpreads("PrintSpreads");
GBuffer const GGPCPluginCSSettings::cPluginPrinterMarks("PrinterMarks");
GBuffer const GGPCPluginCSSettings::cPluginTrim("Trim");
GBuffer const GGPCPluginCSSettings::cPluginBleed("Bleed");
GBuffer const GGPCPluginCSSettings::cPluginPrnRegistration("PrinterRegistration");
GBuffer const GGPCPluginCSSettings::cPluginColorBars("ColorBars");
GBuffer const GGPCPluginCSSettings::cPluginPageInfo("PageInfo");
GBuffer const GGPCPluginCSSettings::cPluginMarkWeight("MarkWeight");
GBuffer const GGPCPluginCSSettings::cPluginMarkOffset("MarkOffset");
GBuffer const GGPCPluginCSSettings::cPluginUserSettingsEnable("UserSettings");
GBuffer const GGPCPluginCSSettings::cPluginIncludeFilePackage("IncludeFilePackage");

namespace {

GBuffer const cBleedNotSet("BleedNotSet");
GBuffer const cBleedUseGivenValue("BleedValueSet");
GBuffer const cBleedUseDocSettings("BleedUseDocSettingsSet");
GBuffer const cMarkWeight0125("MarkWeight0125");
GBuffer const cMarkWeight025("MarkWeight025");
GBuffer const cMarkWeight050("MarkWeight050");
GBuffer const cTrue("true");
GBuffer const cFalse("false");

GString ASCII(GBuffer const& bytes) { return GString(bytes, GASCIIEncoding::GetInstance()); }

// The texts as stored, made once the encodings are up. A stored text in the same encoding
// compares by its bytes; one in another encoding compares by its characters, which for these
// ASCII texts is the comparison of UTF-8 bytes.
struct Texts {
    GString bleedNotSet = ASCII(cBleedNotSet);
    GString bleedUseGivenValue = ASCII(cBleedUseGivenValue);
    GString bleedUseDocSettings = ASCII(cBleedUseDocSettings);
    GString markWeight0125 = ASCII(cMarkWeight0125);
    GString markWeight025 = ASCII(cMarkWeight025);
    GString markWeight050 = ASCII(cMarkWeight050);
    GString trueText = ASCII(cTrue);
    GString falseText = ASCII(cFalse);
};

Texts const& Stored() {
    static Texts const fTexts;
    return fTexts;
}

}  // namespace

bool GGPCPluginCSSettings::GetBool(GBuffer const& key) const { return GetText(key) == Stored().trueText; }

void GGPCPluginCSSettings::SetBool(GBuffer const& key, bool value) {
    mStore.Set(cPluginSettingsGroup, key, value ? Stored().trueText : Stored().falseText);
}

// GString::GetReal reads "." alone, so a value never depends on the process locale.
double GGPCPluginCSSettings::GetReal(GBuffer const& key) const { return GetText(key).GetReal(); }

void GGPCPluginCSSettings::SetReal(GBuffer const& key, double value) {
    mStore.Set(cPluginSettingsGroup, key, FormatReal(value));
}

// to_chars never looks at the locale, unlike "%f" under a process locale Qt has set.
GString GGPCPluginCSSettings::FormatReal(double value) {
    char text[400];
    std::to_chars_result const r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    if (r.ec != std::errc())
        return ASCII(GBuffer(std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf"));
    return GString(reinterpret_cast<unsigned char const*>(text), static_cast<int>(r.ptr - text),
                   GASCIIEncoding::GetInstance());
}

GGPCPluginCSSettings::BleedChoice GGPCPluginCSSettings::GetBleedChoice() const {
    GString const text = GetText(cPluginBleedChoice);
    if (text == Stored().bleedUseGivenValue)
        return kBleedUseGivenValue;
    if (text == Stored().bleedUseDocSettings)
        return kBleedUseDocSettings;
    return kBleedNotSet;
}

void GGPCPluginCSSettings::SetBleedChoice(int choice) {
    GString const& text = choice == kBleedUseGivenValue    ? Stored().bleedUseGivenValue
                          : choice == kBleedUseDocSettings ? Stored().bleedUseDocSettings
                                                           : Stored().bleedNotSet;
    mStore.Set(cPluginSettingsGroup, cPluginBleedChoice, text);
}

GGPCPluginCSSettings::MarkWeightType GGPCPluginCSSettings::GetMarkWeight() const {
    GString const text = GetText(cPluginMarkWeight);
    if (text == Stored().markWeight0125)
        return kMarkWeight0125;
    if (text == Stored().markWeight050)
        return kMarkWeight050;
    return kMarkWeight025;
}

void GGPCPluginCSSettings::SetMarkWeight(int weight) {
    GString const& text = weight == kMarkWeight0125  ? Stored().markWeight0125
                          : weight == kMarkWeight050 ? Stored().markWeight050
                                                     : Stored().markWeight025;
    mStore.Set(cPluginSettingsGroup, cPluginMarkWeight, text);
}

bool GGPCPluginCSSettings::operator==(GGPCPluginCSSettings const& other) const {
    if (GetBleedChoice() != other.GetBleedChoice())
        return false;
    if (GetBleedChoice() == kBleedUseGivenValue) {
        for (GBuffer const* key : {&cPluginBleedTopValue, &cPluginBleedBottomValue, &cPluginBleedInsideValue,
                                   &cPluginBleedOutsideValue})
            if (GetText(*key) != other.GetText(*key))
                return false;
    }
    for (GBuffer const* key : {&cPluginPrintSpreads, &cPluginPrinterMarks, &cPluginTrim, &cPluginBleed,
                               &cPluginPrnRegistration, &cPluginColorBars, &cPluginPageInfo,
                               &cPluginUserSettingsEnable})
        if (GetBool(*key) != other.GetBool(*key))
            return false;
    return GetMarkWeight() == other.GetMarkWeight() && IsFilePackageIncluded() == other.IsFilePackageIncluded();
}
