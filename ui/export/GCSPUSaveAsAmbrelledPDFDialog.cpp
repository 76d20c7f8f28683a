#include "ui/export/GCSPUSaveAsAmbrelledPDFDialog.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QIcon>
#include <QtGui/QKeyEvent>
#include <QtGui/QRegExpValidator>
#include <QtWidgets/QButtonGroup>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFrame>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

#include "core/containers/GTable.h"
#include "plugin/preferences/GCPTPluginPrefTool.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "plugin/saveas/GCPTSaveAsTool.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "plugin/tools/ZARidizoTools.h"
#include "services/messages/GUserMessage.h"
#include "ui/export/CopyrightDialog.h"
#include "ui/export/GCUSPDFSettingsAdjWdt.h"
#include "ui/frames/GQUICollapsibleFrame.h"
#include "ui/layer/GQUISlotGuard.h"

namespace {

using Feature = GCPTFeatureConfiguration::Feature;

void ShowError(QString const& title, QString const& message) {
    GUserMessage::GetInstance()->ShowErrorMessage(GQStringSupport::ToGString(title),
                                                 GQStringSupport::ToGString(message));
}

QLabel* PlainLabel(QString const& text, char const* name = nullptr) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    if (name != nullptr)
        label->setObjectName(name);
    return label;
}

// Beside the Trovelor's name, an item holds the GUID the registry gave with it, if any.
constexpr int kGUIDRole = Qt::UserRole + 1;

}  // namespace

GCSPUSaveAsAmbrelledPDFDialog::GCSPUSaveAsAmbrelledPDFDialog(GString const& title, GCPTSaveAsTool& tool)
    : GQUIWindow(title, true, nullptr), mTool(tool), mPackageList(new QComboBox) {
    mPackageList->setObjectName("pdfSettingsCombo");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    QGridLayout* grid = CreateGrid();
    CreateOptions();
    grid->addWidget(mIncludePackage, 5, 0, 1, 4);
    grid->addWidget(mOptions, 6, 0, 1, 4);

    mStatus = PlainLabel(QString(), "statusLabel");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(mStatus, 0, Qt::AlignHCenter);
    layout->addLayout(CreateBottomRow());
    layout->addStretch();
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    UpdatePDFSettingsList();
    ConnectSignals();

    mAllPages->setChecked(true);
    mRangeText->setEnabled(false);
    if (!IsAvailable(GCPTFeatureConfiguration::cFeaturePageRange)) {
        mAllPages->setEnabled(false);
        mPageRange->setEnabled(false);
        mRangeText->setEnabled(false);
    }
    UpdateOkButton();
}

GCSPUSaveAsAmbrelledPDFDialog::~GCSPUSaveAsAmbrelledPDFDialog() = default;

QGridLayout* GCSPUSaveAsAmbrelledPDFDialog::CreateGrid() {
    auto* grid = new QGridLayout;
    grid->addWidget(PlainLabel(tr("PDF Settings:")), 0, 0);
    grid->addWidget(mPackageList, 0, 1, 1, 2);
    grid->addItem(new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Minimum), 1, 0);
    mAllPages = new QRadioButton(tr("All"));
    mAllPages->setObjectName("allPagesRadio");
    mPageRange = new QRadioButton(tr("Range:"));
    mPageRange->setObjectName("rangeRadio");
    mRangeText = new QLineEdit;
    mRangeText->setObjectName("rangeEdit");
    mRangeText->setPlaceholderText(tr("e.g. 1-5,8,11-13"));
    mRangeText->setValidator(
        new QRegExpValidator(QRegExp("^(\\d+(-\\d+)?)(,\\d+(-\\d+)?)*$", Qt::CaseSensitive), this));
    grid->addWidget(PlainLabel(tr("Pages:")), 2, 0);
    grid->addWidget(mAllPages, 2, 1);
    grid->addWidget(mPageRange, 3, 1);
    grid->addWidget(mRangeText, 3, 2);
    grid->addItem(new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Minimum), 4, 0);

    auto* pages = new QButtonGroup(this);
    pages->setObjectName("pagesGroup");
    pages->setExclusive(true);
    pages->addButton(mAllPages, 0);
    pages->addButton(mPageRange, 1);
    return grid;
}

void GCSPUSaveAsAmbrelledPDFDialog::CreateOptions() {
    mAdjustments = new GCUSPDFSettingsAdjWdt;
    mAdjustments->setObjectName("adjustments");
    if (!IsAvailable(GCPTFeatureConfiguration::cFeatureIncludeSlugArea))
        mAdjustments->ShowIncludeSlugArea(false);
    if (!IsAvailable(GCPTFeatureConfiguration::cFeaturePrintSpreads))
        mAdjustments->ShowPrintSpreads(false);
    if (!IsAvailable(GCPTFeatureConfiguration::cFeatureBleedMarks))
        mAdjustments->ShowBleedMarks(false);
    if (!IsAvailable(GCPTFeatureConfiguration::cFeatureTrimMarkWeight))
        mAdjustments->ShowTrimMarkWeight(false);

    auto* pane = new QWidget;
    auto* paneLayout = new QVBoxLayout(pane);
    paneLayout->addWidget(mAdjustments);
    paneLayout->setContentsMargins(15, 0, 0, 0);
    auto* rule = new QFrame;
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    mIncludePackage = new QCheckBox(tr("Include File Package"), this);
    mIncludePackage->setObjectName("includePackageCheck");
    mIncludePackage->setToolTip(tr("Check this option to deliver an InDesign file Package."));
    if (!IsAvailable(GCPTFeatureConfiguration::cFeatureIncludeFilePackage))
        mIncludePackage->hide();

    mOptions = new GQUICollapsibleFrame(this, tr("Options"), tr("Options"), true, 0);
    mOptions->setObjectName("optionsFrame");
    // Collapsed before the pane goes in: showing it would lay out the whole panel for nothing.
    mOptions->SetExpandState(false);
    mOptions->SetMainPane(pane);
    mOptions->SetHeaderWidget(rule);
    mOptions->SetVisibilityFlags(GQUICollapsibleFrame::ShowHeaderAlways);
    mOptions->layout()->setContentsMargins(0, 0, 0, 0);
}

QLayout* GCSPUSaveAsAmbrelledPDFDialog::CreateBottomRow() {
    auto* row = new QHBoxLayout;
    row->addWidget(PlainLabel(tr("Hold down the \"Alt\" key to remove a Trovelor from the list."), "removeHint"));
    row->addSpacerItem(new QSpacerItem(5, 0, QSizePolicy::Minimum, QSizePolicy::Minimum));
    auto* copyright = new QPushButton(QString(QChar(0x00A9)));
    copyright->setObjectName("copyrightButton");
    copyright->setToolTip(tr("Copyrights"));
    copyright->setAutoDefault(false);
    connect(copyright, &QPushButton::clicked, this, [this] { ShowCopyrights(); });
    row->addWidget(copyright);
    row->addSpacerItem(new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Minimum));
    mButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    mButtons->setObjectName("buttonBox");
    row->addWidget(mButtons);
    row->addStretch();
    return row;
}

void GCSPUSaveAsAmbrelledPDFDialog::ConnectSignals() {
    auto* pages = findChild<QButtonGroup*>("pagesGroup");
    connect(pages, SIGNAL(buttonClicked(int)), this, SLOT(OnRadioGroupClicked(int)));
    connect(mButtons, SIGNAL(accepted()), this, SLOT(OkOrRemoveClicked()));
    connect(mButtons, SIGNAL(rejected()), this, SLOT(reject()));
    connect(mPackageList, SIGNAL(currentIndexChanged(int)), this, SLOT(OnPDFSettingsSelectionChanged(int)));
    connect(mIncludePackage, SIGNAL(toggled(bool)), this, SLOT(OnIncludeFilePackageToggled(bool)));
    connect(this, SIGNAL(accepted()), this, SLOT(OnExit()));
    connect(this, SIGNAL(rejected()), this, SLOT(OnExit()));
    connect(mRangeText, &QLineEdit::textChanged, this, [this] { UpdateOkButton(); });
}

bool GCSPUSaveAsAmbrelledPDFDialog::IsAvailable(int feature) const {
    static GCPTFeatureConfiguration const sDefault;
    GCPTFeatureConfiguration const* features = mTool.GetFeatureConfiguration();
    return (features != nullptr ? *features : sDefault).IsFeatureAvailable(static_cast<Feature>(feature));
}

// The list stays silent until its final choice: each change the selection slot saw would read a
// package, and the explicit call below reads the chosen one once.
void GCSPUSaveAsAmbrelledPDFDialog::UpdatePDFSettingsList() {
    {
        QSignalBlocker const blocker(mPackageList);
        mPackageList->clear();
        GQUISlotGuard::Run([this] { FillList(); });
        if (mPackageList->count() == 0) {
            mStatus->setText(tr("No PDF Settings found"));
        } else {
            mStatus->clear();
            mPackageList->model()->sort(0, Qt::AscendingOrder);
            SelectRemembered();
        }
    }
    OnPDFSettingsSelectionChanged(mPackageList->currentIndex());
    UpdateOkButton();
}

void GCSPUSaveAsAmbrelledPDFDialog::FillList() {
    // One read of the registry for the whole list, however many Trovelors it holds.
    GTable<ZARidizoTools::PluginTrovelor> trovelors;
    ZARidizoTools::GetPluginTrovelors(trovelors);
    QStringList missing;
    for (ZARidizoTools::PluginTrovelor const& trovelor : trovelors) {
        QString const name = GQStringSupport::ToQString(trovelor.name);
        if (trovelor.pdfSettingsName.IsEmpty()) {
            missing << name;
            continue;
        }
        mPackageList->addItem(QIcon(), GQStringSupport::ToQString(trovelor.pdfSettingsName), name);
        if (trovelor.hasGUID)
            mPackageList->setItemData(mPackageList->count() - 1, GQStringSupport::ToQString(trovelor.guid), kGUIDRole);
    }
    if (!missing.isEmpty())
        ShowError(tr("Export as Ambrelled PDF Error"), tr("PDF settings are missing for ") + missing.join(", ") +
                                                           tr(". Launch the Trovelor manually and try again."));
}

void GCSPUSaveAsAmbrelledPDFDialog::SelectRemembered() {
    GString last;
    GQUISlotGuard::Run([&last] { GCPTPluginPrefTool::GetLastUsedPDFSetting(last); });
    int const index = mPackageList->findData(GQStringSupport::ToQString(last), Qt::UserRole, Qt::MatchExactly);
    mPackageList->setCurrentIndex(index >= 0 ? index : 0);
}

void GCSPUSaveAsAmbrelledPDFDialog::OnPDFSettingsSelectionChanged(int index) {
    QSignalBlocker const blocker(mIncludePackage);
    GQUISlotGuard::Run([this, index] { ShowSelection(index); });
}

void GCSPUSaveAsAmbrelledPDFDialog::ShowSelection(int index) {
    if (index < 0 || index >= mPackageList->count()) {
        mOptions->hide();
        mIncludePackage->hide();
        mIncludePackage->setChecked(false);
        GCPTPluginPrefTool::SetLastUsedPDFSetting(GString());
        return;
    }
    QString const name = mPackageList->itemData(index, Qt::UserRole).toString();
    GCPTPluginPrefTool::SetLastUsedPDFSetting(GQStringSupport::ToGString(name));
    mTool.SetPrinterName(GQStringSupport::ToGString(name));

    GGPCPluginCSSettings const* settings = mTool.GetPluginSettings();
    bool const userSettings = settings != nullptr && settings->IsUserSettingEnabled();
    bool const packageIncluded = settings != nullptr && settings->IsFilePackageIncluded();
    mOptions->setVisible(userSettings);
    if (userSettings)
        mAdjustments->LoadSettings(*settings);
    if (!IsAvailable(GCPTFeatureConfiguration::cFeatureIncludeFilePackage))
        return;
    mIncludePackage->setVisible(userSettings);
    mIncludePackage->setChecked(packageIncluded);
    GString guid;
    if (!userSettings || !GUIDAt(index, guid))
        return;
    if (GCPTPluginPrefTool::HasIncludeFilePackageValue(guid))
        mIncludePackage->setChecked(GCPTPluginPrefTool::GetIncludeFilePackageValue(guid));
    else
        GCPTPluginPrefTool::SetIncludeFilePackageValue(guid, packageIncluded);
}

void GCSPUSaveAsAmbrelledPDFDialog::OnIncludeFilePackageToggled(bool on) {
    GQUISlotGuard::Run([this, on] {
        GString guid;
        if (GUIDAt(mPackageList->currentIndex(), guid))
            GCPTPluginPrefTool::SetIncludeFilePackageValue(guid, on);
    });
}

void GCSPUSaveAsAmbrelledPDFDialog::OnRadioGroupClicked(int id) {
    mRangeText->setEnabled(id == 1);
    UpdateOkButton();
}

void GCSPUSaveAsAmbrelledPDFDialog::OnCollapsibleButtonClicked() { updateGeometry(); }

void GCSPUSaveAsAmbrelledPDFDialog::OnExit() {
    GQUISlotGuard::Run([] { GCPTPluginPrefTool::UpdatePDFSettingsInPreferences(); });
}

void GCSPUSaveAsAmbrelledPDFDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Alt)
        SetRemoveMode(1);
    QDialog::keyPressEvent(event);
    setFocus(Qt::ActiveWindowFocusReason);
}

void GCSPUSaveAsAmbrelledPDFDialog::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Alt)
        SetRemoveMode(0);
    QWidget::keyReleaseEvent(event);
}

// The Alt release may go to another window; a stale "Remove" must not outlive the focus.
bool GCSPUSaveAsAmbrelledPDFDialog::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate)
        SetRemoveMode(0);
    return GQUIWindow::event(event);
}

void GCSPUSaveAsAmbrelledPDFDialog::hideEvent(QHideEvent* event) {
    SetRemoveMode(0);
    GQUIWindow::hideEvent(event);
}

void GCSPUSaveAsAmbrelledPDFDialog::SetRemoveMode(int mode) {
    mRemoveMode = mode;
    if (QPushButton* ok = OkButton())
        ok->setText(mode == 1 ? tr("Remove") : tr("OK"));
    UpdateOkButton();
}

// Alt is read from the keyboard now, not from remembered key events, which can be lost.
void GCSPUSaveAsAmbrelledPDFDialog::OkOrRemoveClicked() {
    bool const remove = (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) != 0;
    SetRemoveMode(remove ? 1 : 0);
    if (remove) {
        DoRemove();
        return;
    }
    if (mPackageList->currentIndex() < 0 || !IsPageChoiceComplete())
        return;
    accept();
    GQUISlotGuard::Run([this] { DoSaveAs(); });
}

int GCSPUSaveAsAmbrelledPDFDialog::DoSaveAs() {
    if (mPageRange->isChecked())
        mTool.SetPageRange(GQStringSupport::ToGString(mRangeText->text()));
    if (GGPCPluginCSSettings* settings = mTool.GetPluginSettings()) {
        if (settings->IsUserSettingEnabled())
            mAdjustments->GetSettings(*settings);
        settings->IncludeFilePackage(mIncludePackage->isChecked());
    }
    return mTool.ExportToPDF();
}

void GCSPUSaveAsAmbrelledPDFDialog::DoRemove() {
    QString const name = SelectedTrovelor();
    if (name.isEmpty())
        return;
    bool removed = false;
    try {
        removed = ZARidizoTools::DeletePluginTrovelor(GQStringSupport::ToGString(name));
    } catch (...) {
        removed = false;
    }
    if (!removed) {
        GQUISlotGuard::Run([] {
            ShowError(tr("Export as Ambrelled PDF error"), tr("Unable to remove selected PDF setting."));
        });
        return;
    }
    UpdatePDFSettingsList();
}

void GCSPUSaveAsAmbrelledPDFDialog::ShowCopyrights() {
    GQUISlotGuard::Run([this] {
        if (mLegalNotices.isNull())
            mLegalNotices = new CopyrightDialog(this);
        mLegalNotices->show();
        mLegalNotices->activateWindow();
        mLegalNotices->raise();
        mLegalNotices->exec();
    });
}

void GCSPUSaveAsAmbrelledPDFDialog::UpdateOkButton() {
    if (QPushButton* ok = OkButton())
        ok->setEnabled(mPackageList->count() > 0 && (mRemoveMode == 1 || IsPageChoiceComplete()));
}

bool GCSPUSaveAsAmbrelledPDFDialog::IsPageChoiceComplete() const {
    return !mPageRange->isChecked() || mRangeText->hasAcceptableInput();
}

// No GUID, or an empty one, names no preference group.
bool GCSPUSaveAsAmbrelledPDFDialog::GUIDAt(int index, GString& guid) const {
    QString const text = index < 0 ? QString() : mPackageList->itemData(index, kGUIDRole).toString();
    guid = GQStringSupport::ToGString(text);
    return !text.isEmpty();
}

QString GCSPUSaveAsAmbrelledPDFDialog::SelectedTrovelor() const {
    int const index = mPackageList->currentIndex();
    return index < 0 ? QString() : mPackageList->itemData(index, Qt::UserRole).toString();
}

QPushButton* GCSPUSaveAsAmbrelledPDFDialog::OkButton() const {
    return mButtons != nullptr ? mButtons->button(QDialogButtonBox::Ok) : nullptr;
}
