#include "plugin-host/export/GIDCSPHelperMethods.h"

#include "core/text/GLngString.h"
#include "plugin-host/export/GIDCSConvertMethods.h"
#include "plugin-host/export/GIDCSPExportIDs.h"

using namespace GIDCSPExportIDs;

namespace {

double MarkWeight(GGPCPluginCSSettings::MarkWeightType weight) {
    switch (weight) {
    case GGPCPluginCSSettings::kMarkWeight0125:
        return 0.125;
    case GGPCPluginCSSettings::kMarkWeight050:
        return 0.5;
    default:
        return 0.25;
    }
}

// Bleed reaches into the page's surroundings only; a negative or undefined value means none.
double Bleed(double value) { return value > 0.0 ? value : 0.0; }

void ApplyBleed(GGPCPluginCSSettings const& settings, IPDFExportPrefs& prefs) {
    switch (settings.GetBleedChoice()) {
    case GGPCPluginCSSettings::kBleedUseGivenValue:
        prefs.SetUseDocumentBleed(false);
        prefs.SetBleedTop(Bleed(settings.GetBleedTopValue()));
        prefs.SetBleedInside(Bleed(settings.GetBleedInsideValue()));
        prefs.SetBleedOutside(Bleed(settings.GetBleedOutsideValue()));
        prefs.SetBleedBottom(Bleed(settings.GetBleedBottomValue()));
        break;
    case GGPCPluginCSSettings::kBleedUseDocSettings:
        prefs.SetUseDocumentBleed(true);
        break;
    default:
        break;
    }
}

void ApplyMarks(GGPCPluginCSSettings const& settings, IPDFExportPrefs& prefs) {
    if (settings.IsSlugAreaIncluded())
        prefs.SetIncludeSlug(true);
    if (settings.IsPrintSpreadsAllowed())
        prefs.SetSpreads(true);
    if (settings.IsMarkTrimAllowed())
        prefs.SetCropMarks(true);
    if (settings.IsMarkBleedAllowed())
        prefs.SetBleedMarks(true);
    if (settings.IsMarkPrnRegistrationAllowed())
        prefs.SetRegistrationMarks(true);
    if (settings.IsMarkColorBarsAllowed())
        prefs.SetColorBars(true);
    if (settings.IsMarkPageInfoAllowed())
        prefs.SetPageInformation(true);
    if (settings.GetMarkOffset() > 0.0)
        prefs.SetMarksOffset(settings.GetMarkOffset());
    prefs.SetMarksWeight(MarkWeight(settings.GetMarkWeight()));
}

}  // namespace

bool GIDCSPHelperMethods::ToExportPrefs(GPathName const& jobOptions, GGPCPluginCSSettings const& settings,
                                        InterfacePtr<IPDFExportPrefs> const& prefs, int& errorId) {
    if (!prefs) {
        errorId = kNoPreferences;
        return false;
    }
    if (prefs->ReadJobOptions(GIDCSConvertMethods::ConvertToIDFile(jobOptions)) != kSuccess) {
        errorId = kJobOptionsNotRead;
        return false;
    }
    ApplyBleed(settings, *prefs.get());
    ApplyMarks(settings, *prefs.get());
    return true;
}

bool GIDCSPHelperMethods::ToExportPrefs(GCPTSaveAsProperties const& request, InterfacePtr<IPDFExportPrefs> const& prefs,
                                        int& errorId) {
    GGPCPluginCSSettings const* settings = request.GetPluginSettings();
    if (settings == nullptr) {
        errorId = prefs ? kJobOptionsNotRead : kNoPreferences;
        return false;
    }
    return ToExportPrefs(request.GetJobOptions(), *settings, prefs, errorId);
}

int GIDCSPHelperMethods::GetMissingFontsInfo(IDocument* document, int& errorId, GString& text) {
    text.Clear();
    InterfacePtr<IDocumentFontUsage> usage(document, IDocumentFontUsage::kDefaultIID);
    if (!usage) {
        errorId = kNoFontUsage;
        return 0;
    }
    usage->FindMissingFonts();
    int const missing = usage->GetMissingFontCount();
    if (missing > 0) {
        errorId = missing == 1 ? kOneFontMissing : kFontsMissing;
        GetMissingFontListAsString(usage, text);
    }
    return missing;
}

void GIDCSPHelperMethods::GetMissingFontListAsString(InterfacePtr<IDocumentFontUsage> const& usage, GString& text) {
    text.Clear();
    int const count = usage ? usage->GetMissingFontCount() : 0;
    if (count <= 0)
        return;
    text = GString("\n");
    for (int i = 0; i < count; ++i) {
        GString line("    %1. ");
        line.SubstituteParams(GString(i + 1));
        GString name;
        GIDCSConvertMethods::ConvertToGString(usage->GetNthMissingFontName(i), name);
        text += line;
        text += name;
        text += GString("\n");
    }
}

void GIDCSPHelperMethods::ToLocaleString(int messageId, GString const& detail, GString& out) {
    GLngString message(kPluginError);
    message.AddStringID(messageId);
    GString rendered;
    message.GetReadableString(rendered);
    rendered += detail;
    out = rendered;
}
