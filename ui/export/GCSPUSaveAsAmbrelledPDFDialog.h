#pragma once
// GCSPUSaveAsAmbrelledPDFDialog: the export window, the same for a document and a book. It lists
// the Trovelors offered to the plug-in under their PDF settings names, preselects the one chosen
// last, takes the page range, the package's adjustments and the file-package choice, and on OK
// sends the request through the save-as tool. With Alt held, OK removes the selected Trovelor.
//
// Callers may rely on:
// - Every control has an object name (pdfSettingsCombo, allPagesRadio, rangeRadio, rangeEdit,
//   includePackageCheck, optionsFrame, adjustments, copyrightButton, buttonBox, statusLabel,
//   removeHint).
// - Whether OK removes is decided when it is clicked, from the keyboard's modifiers; the
//   "Remove" title follows the Alt key and is reset when the window is deactivated or hidden.
// - OK is enabled only while a Trovelor is selected and the page choice is complete ("All", or
//   a range the validator accepts).
// - No exception leaves a slot. Failures of the registry, of the preferences while choosing, and
//   of a removal are shown through the user-message instance while the dialog stays open and
//   usable. OK closes the dialog before the export runs: the export's failures are shown by the
//   save-as tool after the dialog closed.
// - Each fill reads the registry once: the Trovelors, their PDF settings names and their GUIDs
//   (the GUID names the remembered file-package choice) come from that read.
// - Names from the registry are shown as plain text. Main thread only.
#include <QtCore/QPointer>
#include "core/text/GString.h"
#include "ui/windows/GQUIWindow.h"

class CopyrightDialog;
class GCPTSaveAsTool;
class GCUSPDFSettingsAdjWdt;
class GQUICollapsibleFrame;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

class GCSPUSaveAsAmbrelledPDFDialog : public GQUIWindow {
    Q_OBJECT
public:
    GCSPUSaveAsAmbrelledPDFDialog(GString const& title, GCPTSaveAsTool& tool);
    ~GCSPUSaveAsAmbrelledPDFDialog() override;

    void UpdatePDFSettingsList();
    int DoSaveAs();
    void DoRemove();
    void ShowCopyrights();

    // 1 while the OK button reads "Remove".
    int GetRemoveMode() const { return mRemoveMode; }

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

public Q_SLOTS:
    void OkOrRemoveClicked();
    void OnPDFSettingsSelectionChanged(int index);
    void OnRadioGroupClicked(int id);
    void OnCollapsibleButtonClicked();
    void OnIncludeFilePackageToggled(bool on);
    void OnExit();

private:
    QGridLayout* CreateGrid();
    void CreateOptions();
    QLayout* CreateBottomRow();
    void ConnectSignals();
    bool IsAvailable(int feature) const;
    void FillList();
    void SelectRemembered();
    void ShowSelection(int index);
    void SetRemoveMode(int mode);
    void UpdateOkButton();
    bool IsPageChoiceComplete() const;
    QString SelectedTrovelor() const;
    bool GUIDAt(int index, GString& guid) const;
    QPushButton* OkButton() const;

    GCPTSaveAsTool& mTool;
    QComboBox* mPackageList = nullptr;
    QRadioButton* mAllPages = nullptr;
    QRadioButton* mPageRange = nullptr;
    QLineEdit* mRangeText = nullptr;
    QDialogButtonBox* mButtons = nullptr;
    QLabel* mStatus = nullptr;
    int mRemoveMode = 0;
    GQUICollapsibleFrame* mOptions = nullptr;
    GCUSPDFSettingsAdjWdt* mAdjustments = nullptr;
    QCheckBox* mIncludePackage = nullptr;
    QPointer<CopyrightDialog> mLegalNotices;
};
