#pragma once
// GCUSPDFSettingsAdjWdt: the export dialog's panel of PDF adjustments for one export: bleed (none,
// a value, or the document's own), slug area, spreads, printer's marks with their line weight and
// offset. It loads its controls from a package's plug-in settings and writes them back on export.
//
// Callers may rely on:
// - Every control has an object name (bleedCheck, bleedAmount, useDocBleedCheck, includeSlugCheck,
//   printSpreadsCheck, allMarksCheck, cropMarksCheck, bleedMarksCheck, registrationMarksCheck,
//   colorBarsCheck, pageInfoCheck, weightCombo, offsetAmount), so tests and scripts can drive it.
// - "All Printer's Marks" follows the five mark boxes: checked when all count as checked, unchecked
//   when none does, partly checked otherwise (written as printer marks allowed). The bleed-mark box
//   counts only while ShowBleedMarks has not hidden it, whether or not the panel is on screen.
// - Bleed and offset are lengths of at least 0: a negative or non-finite stored value loads as 0.
// - GetSettings writes every setting, but leaves the four stored bleed values as they are while
//   the bleed field still holds the value loaded and they are sound, so unequal bleeds of a
//   package survive; a changed field writes its value to all four.
// - LoadSettings emits no DataChanged; GetSettings writes nothing while a load runs.
#include <QtWidgets/QWidget>

class GGPCPluginCSSettings;
class GQUIUnitSpinBox;
class QCheckBox;
class QComboBox;
class QLabel;

class GCUSPDFSettingsAdjWdt : public QWidget {
    Q_OBJECT

public:
    explicit GCUSPDFSettingsAdjWdt(QWidget* parent = nullptr);
    ~GCUSPDFSettingsAdjWdt() override;

    void LoadSettings(GGPCPluginCSSettings const& settings);
    void GetSettings(GGPCPluginCSSettings& settings) const;

    void ShowPrintSpreads(bool show);
    void ShowIncludeSlugArea(bool show);
    void ShowBleedMarks(bool show);
    void ShowTrimMarkWeight(bool show);

    // True when any adjustment differs from what an empty package means.
    bool IsDefaultPluginSettingsChanged() const;

Q_SIGNALS:
    void DataChanged();

public Q_SLOTS:
    void OnBleedValueChecked(int state);
    void OnUseDocSettingsChecked(int state);
    void OnPrinterMarksChecked(int state);
    void OnPrinterMarkItemChecked(int state);

private:
    void SetupUi();
    QLayout* CreateMarksBlock();
    void ConnectSignals();
    void LoadBleedChoice(int choice);
    bool BleedMarkCounts() const { return mBleedMarkShown; }
    bool KeepsStoredBleeds(GGPCPluginCSSettings const& settings) const;

    bool mLoading = false;
    QCheckBox* mBleed = nullptr;
    GQUIUnitSpinBox* mBleedAmount = nullptr;
    QCheckBox* mUseDocBleed = nullptr;
    QCheckBox* mIncludeSlug = nullptr;
    QCheckBox* mPrintSpreads = nullptr;
    QCheckBox* mAllMarks = nullptr;
    QLabel* mWeightLabel = nullptr;
    QComboBox* mWeight = nullptr;
    GQUIUnitSpinBox* mOffset = nullptr;
    QCheckBox* mColorBars = nullptr;
    QCheckBox* mPageInfo = nullptr;
    QCheckBox* mCrop = nullptr;
    QCheckBox* mBleedMark = nullptr;
    QCheckBox* mRegistration = nullptr;
    // The feature flag of the bleed-mark box; isVisible() would also be false while the options
    // frame is collapsed or before the dialog is first shown.
    bool mBleedMarkShown = true;
    // The bleed field's value right after the last load; NaN before any.
    double mLoadedBleed;
};
