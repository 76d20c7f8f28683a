#include "ui/export/GCUSPDFSettingsAdjWdt.h"

#include <QtCore/QSignalBlocker>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QSpacerItem>
#include <QtWidgets/QVBoxLayout>

#include <cmath>
#include <initializer_list>
#include <limits>

#include "plugin/settings/GGPCPluginCSSettings.h"
#include "ui/widgets/GQUIUnitSpinBox.h"

namespace {

// The weight texts are the same in every language.
char const* const cWeight_0_125Pt = "0.125 pt";
char const* const cWeight_0_25Pt = "0.25 pt";
char const* const cWeight_0_50Pt = "0.50 pt";

constexpr int kFieldWidth = 80;

// A length of a package is never negative; damaged values count as none.
double SoundLength(double value) { return std::isfinite(value) && value > 0.0 ? value : 0.0; }

bool IsSoundLength(double value) { return std::isfinite(value) && value >= 0.0; }

QSpacerItem* WidthSpacer(int width) { return new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum); }

QCheckBox* NamedCheckBox(QString const& text, QString const& tip, char const* name) {
    auto* box = new QCheckBox(text);
    box->setToolTip(tip);
    box->setObjectName(name);
    return box;
}

GQUIUnitSpinBox* NamedLengthField(char const* name) {
    auto* field = new GQUIUnitSpinBox;
    field->setObjectName(name);
    field->setMaximumWidth(kFieldWidth);
    // Bleeds and mark offsets are never negative: a typed negative length stops at 0.
    field->setMinimum(0.0);
    return field;
}

// Indented below "All Printer's Marks", the boxes 10 apart.
QHBoxLayout* MarkRow(std::initializer_list<QCheckBox*> marks) {
    auto* row = new QHBoxLayout;
    row->addItem(WidthSpacer(30));
    for (QCheckBox* mark : marks) {
        if (mark != *marks.begin())
            row->addItem(WidthSpacer(10));
        row->addWidget(mark);
    }
    row->addStretch();
    return row;
}

}  // namespace

GCUSPDFSettingsAdjWdt::GCUSPDFSettingsAdjWdt(QWidget* parent)
    : QWidget(parent), mLoadedBleed(std::numeric_limits<double>::quiet_NaN()) {
    SetupUi();
}

GCUSPDFSettingsAdjWdt::~GCUSPDFSettingsAdjWdt() = default;

void GCUSPDFSettingsAdjWdt::SetupUi() {
    QString const marksTip = tr("Select marks to be included in the final PDF.");
    mBleed = NamedCheckBox(tr("Bleed:"), tr("Check this option and enter the bleed amount."), "bleedCheck");
    mBleedAmount = NamedLengthField("bleedAmount");
    mUseDocBleed = NamedCheckBox(tr("Use Document Bleed Settings"),
                       tr("Check this option to use the bleed amounts defined within the original document"),
                       "useDocBleedCheck");
    mIncludeSlug = NamedCheckBox(tr("Include Slug Area (For Bleed)"),
                                 tr("Check this option to include a slug area in the bleed."), "includeSlugCheck");
    mPrintSpreads = NamedCheckBox(tr("Print Spreads"), tr("Check this to print spreads from an InDesign document."),
                        "printSpreadsCheck");
    mAllMarks = NamedCheckBox(tr("All Printer's Marks"), marksTip, "allMarksCheck");
    QString const weightTip = tr("Enter the line weight amount for crop and bleed mark lines.");
    mWeightLabel = new QLabel(tr("Weight:"));
    mWeightLabel->setObjectName("mWeightLabel");
    mWeightLabel->setToolTip(weightTip);
    mWeight = new QComboBox;
    mWeight->setObjectName("weightCombo");
    mWeight->setToolTip(weightTip);
    mWeight->addItem(cWeight_0_125Pt, GGPCPluginCSSettings::kMarkWeight0125);
    mWeight->addItem(cWeight_0_25Pt, GGPCPluginCSSettings::kMarkWeight025);
    mWeight->addItem(cWeight_0_50Pt, GGPCPluginCSSettings::kMarkWeight050);
    // A fresh panel shows what a package without adjustments means.
    mWeight->setCurrentIndex(mWeight->findData(GGPCPluginCSSettings::kMarkWeight025));
    mOffset = NamedLengthField("offsetAmount");
    mOffset->setToolTip(tr("Marks are offset from the page by this value."));
    mColorBars = NamedCheckBox(tr("Color Bars"), marksTip, "colorBarsCheck");
    mPageInfo = NamedCheckBox(tr("Page Information"), marksTip, "pageInfoCheck");
    mCrop = NamedCheckBox(tr("Crop"), marksTip, "cropMarksCheck");
    mBleedMark = NamedCheckBox(tr("Bleed"), marksTip, "bleedMarksCheck");
    mRegistration = NamedCheckBox(tr("Registration"), marksTip, "registrationMarksCheck");

    auto* bleedRow = new QHBoxLayout;
    bleedRow->addWidget(mBleed);
    bleedRow->addWidget(mBleedAmount);
    bleedRow->addStretch();
    auto* docBleedRow = new QHBoxLayout;
    docBleedRow->addItem(WidthSpacer(30));
    docBleedRow->addWidget(mUseDocBleed);
    docBleedRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(5);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(CreateMarksBlock());
    layout->addLayout(bleedRow);
    layout->addLayout(docBleedRow);
    layout->addWidget(mIncludeSlug);
    layout->addWidget(mPrintSpreads);
    layout->addStretch();

    ConnectSignals();
    OnBleedValueChecked(mBleed->checkState());
    OnUseDocSettingsChecked(mUseDocBleed->checkState());
    OnPrinterMarksChecked(mAllMarks->checkState());
}

QLayout* GCUSPDFSettingsAdjWdt::CreateMarksBlock() {
    auto* rows = new QVBoxLayout;
    rows->addLayout(MarkRow({mCrop, mBleedMark, mRegistration}));
    rows->addLayout(MarkRow({mColorBars, mPageInfo}));

    auto* grid = new QGridLayout;
    grid->addWidget(mWeightLabel, 0, 0, Qt::AlignRight);
    grid->addWidget(mWeight, 0, 1);
    auto* offsetLabel = new QLabel(tr("Offset:"));
    offsetLabel->setObjectName("offsetLabel");
    offsetLabel->setToolTip(tr("Marks are offset from the page by this value."));
    grid->addWidget(offsetLabel, 1, 0, Qt::AlignRight);
    grid->addWidget(mOffset, 1, 1);
    auto* filler = new QWidget;
    filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    grid->addWidget(filler, 2, 0);

    auto* details = new QHBoxLayout;
    details->addLayout(rows);
    details->addItem(WidthSpacer(40));
    details->addLayout(grid);
    details->addStretch();

    auto* block = new QVBoxLayout;
    block->addWidget(mAllMarks);
    block->addLayout(details);
    return block;
}

void GCUSPDFSettingsAdjWdt::ConnectSignals() {
    connect(mBleed, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnBleedValueChecked);
    connect(mUseDocBleed, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnUseDocSettingsChecked);
    connect(mBleedAmount, &GQUIUnitSpinBox::ValueChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(mIncludeSlug, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(mAllMarks, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnPrinterMarksChecked);
    for (QCheckBox* mark : {mColorBars, mPageInfo, mCrop, mBleedMark, mRegistration})
        connect(mark, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnPrinterMarkItemChecked);
    connect(mWeight, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(mOffset, &GQUIUnitSpinBox::ValueChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(mPrintSpreads, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);
}

void GCUSPDFSettingsAdjWdt::ShowPrintSpreads(bool show) { mPrintSpreads->setVisible(show); }

void GCUSPDFSettingsAdjWdt::ShowIncludeSlugArea(bool show) { mIncludeSlug->setVisible(show); }

void GCUSPDFSettingsAdjWdt::ShowBleedMarks(bool show) {
    mBleedMarkShown = show;
    mBleedMark->setVisible(show);
}

void GCUSPDFSettingsAdjWdt::ShowTrimMarkWeight(bool show) {
    mWeightLabel->setVisible(show);
    mWeight->setVisible(show);
}

void GCUSPDFSettingsAdjWdt::OnBleedValueChecked(int state) {
    mUseDocBleed->setEnabled(state == Qt::Checked);
    mBleedAmount->setEnabled(state == Qt::Checked && !mUseDocBleed->isChecked());
    Q_EMIT DataChanged();
}

void GCUSPDFSettingsAdjWdt::OnUseDocSettingsChecked(int state) {
    mBleedAmount->setEnabled(state != Qt::Checked && mBleed->isChecked());
    Q_EMIT DataChanged();
}

void GCUSPDFSettingsAdjWdt::OnPrinterMarksChecked(int state) {
    bool const on = state == Qt::Checked;
    mColorBars->setChecked(on);
    mPageInfo->setChecked(on);
    mCrop->setChecked(on);
    if (BleedMarkCounts())
        mBleedMark->setChecked(on);
    mRegistration->setChecked(on);
    mAllMarks->setTristate(false);
    Q_EMIT DataChanged();
}

void GCUSPDFSettingsAdjWdt::OnPrinterMarkItemChecked(int state) {
    QSignalBlocker const block(mAllMarks);
    bool const allOn = mAllMarks->checkState() != Qt::Unchecked;
    if ((state == Qt::Unchecked && allOn) || (state == Qt::Checked && !allOn)) {
        mAllMarks->setTristate(true);
        mAllMarks->setCheckState(Qt::PartiallyChecked);
    }
    bool const fourOn = mColorBars->isChecked() && mPageInfo->isChecked() && mCrop->isChecked() &&
                        mRegistration->isChecked();
    bool const fourOff = !mColorBars->isChecked() && !mPageInfo->isChecked() && !mCrop->isChecked() &&
                         !mRegistration->isChecked();
    if (fourOn && (mBleedMark->isChecked() || !BleedMarkCounts())) {
        mAllMarks->setTristate(false);
        mAllMarks->setCheckState(Qt::Checked);
    } else if (fourOff && (!mBleedMark->isChecked() || !BleedMarkCounts())) {
        mAllMarks->setTristate(false);
        mAllMarks->setCheckState(Qt::Unchecked);
    }
    Q_EMIT DataChanged();
}

void GCUSPDFSettingsAdjWdt::LoadBleedChoice(int choice) {
    switch (choice) {
    case GGPCPluginCSSettings::kBleedUseGivenValue:
        mBleed->setChecked(true);
        mBleedAmount->setEnabled(true);
        mUseDocBleed->setEnabled(false);
        mUseDocBleed->setChecked(false);
        break;
    case GGPCPluginCSSettings::kBleedUseDocSettings:
        mBleed->setChecked(true);
        mBleedAmount->setEnabled(false);
        mUseDocBleed->setEnabled(true);
        mUseDocBleed->setChecked(true);
        break;
    default:
        mBleed->setChecked(false);
        mBleedAmount->setEnabled(false);
        mUseDocBleed->setEnabled(false);
        break;
    }
}

void GCUSPDFSettingsAdjWdt::LoadSettings(GGPCPluginCSSettings const& settings) {
    bool const wasLoading = mLoading;
    mLoading = true;
    bool const wasBlocked = blockSignals(true);
    LoadBleedChoice(settings.GetBleedChoice());
    mBleedAmount->setValue(SoundLength(settings.GetBleedTopValue()));
    mLoadedBleed = mBleedAmount->value();
    mIncludeSlug->setChecked(settings.IsSlugAreaIncluded());
    mPrintSpreads->setChecked(settings.IsPrintSpreadsAllowed());
    mAllMarks->setChecked(settings.IsPrinterMarksAllowed());
    mCrop->setChecked(settings.IsMarkTrimAllowed());
    mBleedMark->setChecked(settings.IsMarkBleedAllowed());
    mRegistration->setChecked(settings.IsMarkPrnRegistrationAllowed());
    mColorBars->setChecked(settings.IsMarkColorBarsAllowed());
    mPageInfo->setChecked(settings.IsMarkPageInfoAllowed());
    mWeight->setCurrentIndex(mWeight->findData(settings.GetMarkWeight()));
    mOffset->setValue(SoundLength(settings.GetMarkOffset()));
    for (QCheckBox* mark : {mColorBars, mPageInfo, mCrop, mBleedMark, mRegistration})
        if (mark != mBleedMark || BleedMarkCounts())
            OnPrinterMarkItemChecked(mark->checkState());
    OnBleedValueChecked(mBleed->checkState());
    OnUseDocSettingsChecked(mUseDocBleed->checkState());
    blockSignals(wasBlocked);
    mLoading = wasLoading;
}

bool GCUSPDFSettingsAdjWdt::KeepsStoredBleeds(GGPCPluginCSSettings const& settings) const {
    return mBleedAmount->value() == mLoadedBleed && IsSoundLength(settings.GetBleedTopValue()) &&
           IsSoundLength(settings.GetBleedBottomValue()) && IsSoundLength(settings.GetBleedInsideValue()) &&
           IsSoundLength(settings.GetBleedOutsideValue());
}

void GCUSPDFSettingsAdjWdt::GetSettings(GGPCPluginCSSettings& settings) const {
    if (mLoading)
        return;
    int choice = GGPCPluginCSSettings::kBleedNotSet;
    if (mBleed->isChecked())
        choice = mUseDocBleed->isChecked() ? GGPCPluginCSSettings::kBleedUseDocSettings
                                           : GGPCPluginCSSettings::kBleedUseGivenValue;
    settings.SetBleedChoice(choice);
    if (!KeepsStoredBleeds(settings)) {
        double const bleed = mBleedAmount->value();
        settings.SetBleedTopValue(bleed);
        settings.SetBleedBottomValue(bleed);
        settings.SetBleedInsideValue(bleed);
        settings.SetBleedOutsideValue(bleed);
    }
    settings.SetIncludeSlugArea(mIncludeSlug->isChecked());
    settings.SetPrintSpreadsAllow(mPrintSpreads->isChecked());
    settings.SetPrinterMarkAllow(mAllMarks->checkState() != Qt::Unchecked);
    settings.SetMarkTrimAllow(mCrop->isChecked());
    settings.SetMarkColorBarsAllow(mColorBars->isChecked());
    settings.SetMarkPageInfoAllow(mPageInfo->isChecked());
    settings.SetMarkBleedAllow(mBleedMark->isChecked());
    settings.SetMarkPrnRegistrationAllow(mRegistration->isChecked());
    settings.SetMarkWeight(mWeight->currentData().toInt());
    settings.SetMarkOffset(mOffset->value());
}

bool GCUSPDFSettingsAdjWdt::IsDefaultPluginSettingsChanged() const {
    return mPrintSpreads->isChecked() || mAllMarks->isChecked() || mIncludeSlug->isChecked() ||
           mBleed->isChecked() || mOffset->value() > 0.0 ||
           mWeight->currentData() != QVariant(static_cast<int>(GGPCPluginCSSettings::kMarkWeight025));
}
