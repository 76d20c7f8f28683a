#include "plugin/saveas/GCPTFeatureConfiguration.h"

GCPTFeatureConfiguration::GCPTFeatureConfiguration() : mFeatures(5) {
    mFeatures.Put(cFeatureIncludeSlugArea, false);
    mFeatures.Put(cFeaturePrintSpreads, false);
    mFeatures.Put(cFeatureBleedMarks, false);
    mFeatures.Put(cFeatureTrimMarkWeight, false);
    mFeatures.Put(cFeatureIncludeFilePackage, false);
    mFeatures.Put(cFeaturePageRange, true);
}

bool GCPTFeatureConfiguration::IsFeatureAvailable(Feature feature) const {
    int slot = 0;
    if (!mFeatures.GetExistingIndex(feature, slot))
        return false;
    return mFeatures.GetValueAt(slot);
}
