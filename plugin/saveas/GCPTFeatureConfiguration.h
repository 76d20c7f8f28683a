#pragma once
// GCPTFeatureConfiguration: which controls the export dialog offers for one kind of export.
//
// Callers may rely on:
// - A new configuration offers only the page range (features 0 to 4 off, 5 on).
// - A feature that was never stored (any value outside 0 to 5) reads as not available.
#include "core/containers/GDict.h"

class GCPTFeatureConfiguration {
public:
    // A fixed underlying type: callers may ask for any number, which then reads as not available.
    enum Feature : int {
        cFeatureIncludeSlugArea = 0,
        cFeaturePrintSpreads = 1,
        cFeatureBleedMarks = 2,
        cFeatureTrimMarkWeight = 3,
        cFeatureIncludeFilePackage = 4,
        cFeaturePageRange = 5
    };

    GCPTFeatureConfiguration();

    bool IsFeatureAvailable(Feature feature) const;
    void SetFeatureAvailable(Feature feature, bool available) { mFeatures.Put(feature, available); }

private:
    GDict<Feature, bool> mFeatures;
};
