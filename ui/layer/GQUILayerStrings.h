#pragma once
// GQUILayerStrings: the toolkit's own English texts (buttons, message dialogs, colour, page-range,
// page-box and list widgets), registered by the Qt layer.
#include "core/text/GStringPoolData.h"

class GQUILayerStrings {
public:
    GQUILayerStrings() = delete;

    static constexpr int kCount = 87;
    static GStringPoolDataStruct const kRows[kCount];

    static void Register();
};
