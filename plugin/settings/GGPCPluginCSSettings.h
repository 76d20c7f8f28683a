#pragma once
// GGPCPluginCSSettings: the typed view of one export's PDF adjustments and file-package choice.
// It holds no values: each is a text under a fixed key of the group "PluginSettings" in the store
// it is given (in practice the request's copy of a Trovelor package's project preferences).
//
// Callers may rely on:
// - A bool is stored as "true"/"false" and reads true only for exactly "true".
// - A length (points) is stored with six decimals and "." ("2.500000") and read with "." whatever
//   the process locale is; an absent or unreadable value reads as 0.
// - Unknown enumeration values are stored and read as the defaults (bleed not set, 0.25 pt).
// - The store outlives the view; nothing is written until a setter is called.
#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "services/preferences/GPrefModule.h"

class GGPCPluginCSSettings {
public:
    enum BleedChoice { kBleedNotSet = 0, kBleedUseGivenValue = 1, kBleedUseDocSettings = 2 };
    enum MarkWeightType { kMarkWeight0125 = 0, kMarkWeight025 = 1, kMarkWeight050 = 2 };

    static GBuffer const cPluginSettingsGroup;
    static GBuffer const cPluginBleedChoice;
    static GBuffer const cPluginBleedTopValue;
    static GBuffer const cPluginBleedBottomValue;
    static GBuffer const cPluginBleedInsideValue;
    static GBuffer const cPluginBleedOutsideValue;
    static GBuffer const cPluginBleedIncludeSlugArea;
    static GBuffer const cPluginPrintSpreads;
    static GBuffer const cPluginPrinterMarks;
    static GBuffer const cPluginTrim;
    static GBuffer const cPluginBleed;
    static GBuffer const cPluginPrnRegistration;
    static GBuffer const cPluginColorBars;
    static GBuffer const cPluginPageInfo;
    static GBuffer const cPluginMarkWeight;
    static GBuffer const cPluginMarkOffset;
    static GBuffer const cPluginUserSettingsEnable;
    static GBuffer const cPluginIncludeFilePackage;

    explicit GGPCPluginCSSettings(GSettingsInterface& store) : mStore(store) {}

    BleedChoice GetBleedChoice() const;
    void SetBleedChoice(int choice);
    double GetBleedTopValue() const { return GetReal(cPluginBleedTopValue); }
    void SetBleedTopValue(double value) { SetReal(cPluginBleedTopValue, value); }
    double GetBleedBottomValue() const { return GetReal(cPluginBleedBottomValue); }
    void SetBleedBottomValue(double value) { SetReal(cPluginBleedBottomValue, value); }
    double GetBleedInsideValue() const { return GetReal(cPluginBleedInsideValue); }
    void SetBleedInsideValue(double value) { SetReal(cPluginBleedInsideValue, value); }
    double GetBleedOutsideValue() const { return GetReal(cPluginBleedOutsideValue); }
    void SetBleedOutsideValue(double value) { SetReal(cPluginBleedOutsideValue, value); }
    bool IsSlugAreaIncluded() const { return GetBool(cPluginBleedIncludeSlugArea); }
    void SetIncludeSlugArea(bool value) { SetBool(cPluginBleedIncludeSlugArea, value); }
    bool IsPrintSpreadsAllowed() const { return GetBool(cPluginPrintSpreads); }
    void SetPrintSpreadsAllow(bool value) { SetBool(cPluginPrintSpreads, value); }
    bool IsPrinterMarksAllowed() const { return GetBool(cPluginPrinterMarks); }
    void SetPrinterMarkAllow(bool value) { SetBool(cPluginPrinterMarks, value); }
    bool IsMarkTrimAllowed() const { return GetBool(cPluginTrim); }
    void SetMarkTrimAllow(bool value) { SetBool(cPluginTrim, value); }
    bool IsMarkBleedAllowed() const { return GetBool(cPluginBleed); }
    void SetMarkBleedAllow(bool value) { SetBool(cPluginBleed, value); }
    bool IsMarkPrnRegistrationAllowed() const { return GetBool(cPluginPrnRegistration); }
    void SetMarkPrnRegistrationAllow(bool value) { SetBool(cPluginPrnRegistration, value); }
    bool IsMarkColorBarsAllowed() const { return GetBool(cPluginColorBars); }
    void SetMarkColorBarsAllow(bool value) { SetBool(cPluginColorBars, value); }
    bool IsMarkPageInfoAllowed() const { return GetBool(cPluginPageInfo); }
    void SetMarkPageInfoAllow(bool value) { SetBool(cPluginPageInfo, value); }
    MarkWeightType GetMarkWeight() const;
    void SetMarkWeight(int weight);
    double GetMarkOffset() const { return GetReal(cPluginMarkOffset); }
    void SetMarkOffset(double value) { SetReal(cPluginMarkOffset, value); }
    bool IsUserSettingEnabled() const { return GetBool(cPluginUserSettingsEnable); }
    void SetUserSettingEnable(bool value) { SetBool(cPluginUserSettingsEnable, value); }
    bool IsFilePackageIncluded() const { return GetBool(cPluginIncludeFilePackage); }
    void IncludeFilePackage(bool value) { SetBool(cPluginIncludeFilePackage, value); }

    // The slug area and the mark offset take no part; the bleed values count, as stored texts,
    // only when this side uses the given bleed values.
    bool operator==(GGPCPluginCSSettings const& other) const;
    bool operator!=(GGPCPluginCSSettings const& other) const { return !(*this == other); }

    // The text a length is stored as: six decimals, "." whatever the locale ("2.500000").
    static GString FormatReal(double value);

private:
    GString GetText(GBuffer const& key) const { return mStore.Get(cPluginSettingsGroup, key); }
    bool GetBool(GBuffer const& key) const;
    void SetBool(GBuffer const& key, bool value);
    double GetReal(GBuffer const& key) const;
    void SetReal(GBuffer const& key, double value);

    GSettingsInterface& mStore;
};
