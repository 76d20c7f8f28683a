// Opening the export dialog with 1, 10 and 100 Trovelors in the registry, from its constructor to
// its first paint (offscreen), against a bare QDialog with the same widget tree and texts, built of
// plain Qt widgets, that reads no registry, no package and no preferences. Every Trovelor points at
// a real package with adjustments (a 16 KB job-options file), so ours reads the registry and the
// chosen package as it does for a user, and shows the options and the file-package box.
// Each iteration runs in a fresh child with a QApplication and a private home; each opening has a
// tool of its own, as in the plug-in. Warm: the same kind of dialog was opened once before in the
// child (each later export of a session). Cold (1 only): only a bare dialog was painted before, so
// ours also pays its one-time costs. Fixed iterations: filling the registry of a child is untimed
// but slow.
#include <benchmark/benchmark.h>

#include <QtCore/QRegExp>
#include <QtGui/QRegExpValidator>
#include <QtWidgets/QApplication>
#include <QtGui/QIcon>
#include <QtWidgets/QButtonGroup>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QDoubleSpinBox>
#include <QtWidgets/QFrame>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "BenchChild.h"
#include "BenchRatio.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "plugin/saveas/GCPTSaveAsAction.h"
#include "plugin/saveas/GCPTSaveAsTool.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"
#include "support/TrovelorPackages.h"
#include "ui/export/GCSPUSaveAsAmbrelledPDFDialog.h"

namespace {

using Clock = std::chrono::steady_clock;

GString Text(std::string const& utf8) { return GString(utf8.c_str(), GUTF8Encoding::GetInstance()); }

class IdleAction : public GCPTSaveAsAction {
    bool SaveAsPDF(GCPTSaveAsProperties const&, GPathName const&) override { return false; }
    bool CreatePackage(GPathName const&) override { return false; }
};

// Processes events until the widget has been painted once.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            mPainted = true;
        return false;
    }
    bool Wait() {
        Clock::time_point const limit = Clock::now() + std::chrono::seconds(10);
        while (!mPainted && Clock::now() < limit)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return mPainted;
    }

private:
    bool mPainted = false;
};

QLabel* Plain(QString const& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QCheckBox* Box(QString const& text) {
    auto* box = new QCheckBox(text);
    box->setToolTip(text + " tip");
    return box;
}

QDoubleSpinBox* Length() {
    auto* field = new QDoubleSpinBox;
    field->setMaximumWidth(80);
    field->setMinimum(0.0);
    field->setDecimals(3);
    return field;
}

// Our dialog's widget tree as a package with adjustments shows it (the options collapsed, the
// file-package box checked), built of plain Qt widgets with the same texts: no registry, no
// package, no preferences, none of our own classes.
std::unique_ptr<QDialog> BareDialog(int count) {
    auto dialog = std::make_unique<QDialog>();
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setWindowTitle("Export");
    dialog->setSizeGripEnabled(true);
    auto* grid = new QGridLayout;
    auto* list = new QComboBox;
    for (int i = 0; i < count; ++i)
        list->addItem(QIcon(), "Settings " + QString::number(i), "Trovelor " + QString::number(i));
    list->model()->sort(0);
    list->setCurrentIndex(0);
    grid->addWidget(Plain("PDF Settings:"), 0, 0);
    grid->addWidget(list, 0, 1, 1, 2);
    grid->addItem(new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Minimum), 1, 0);
    auto* all = new QRadioButton("All");
    auto* range = new QRadioButton("Range:");
    auto* rangeText = new QLineEdit;
    rangeText->setPlaceholderText("e.g. 1-5,8,11-13");
    rangeText->setValidator(new QRegExpValidator(QRegExp("^(\\d+(-\\d+)?)(,\\d+(-\\d+)?)*$"), dialog.get()));
    grid->addWidget(Plain("Pages:"), 2, 0);
    grid->addWidget(all, 2, 1);
    grid->addWidget(range, 3, 1);
    grid->addWidget(rangeText, 3, 2);
    grid->addItem(new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Minimum), 4, 0);
    auto* pages = new QButtonGroup(dialog.get());
    pages->addButton(all, 0);
    pages->addButton(range, 1);
    all->setChecked(true);
    rangeText->setEnabled(false);

    // The adjustments: ten boxes, the weight and offset fields, their rows.
    auto* adjustments = new QWidget;
    auto* marks = new QVBoxLayout;
    auto* marksRow = new QHBoxLayout;
    for (char const* text : {"Crop", "Bleed", "Registration"})
        marksRow->addWidget(Box(text));
    auto* marksRow2 = new QHBoxLayout;
    for (char const* text : {"Color Bars", "Page Information"})
        marksRow2->addWidget(Box(text));
    marks->addLayout(marksRow);
    marks->addLayout(marksRow2);
    auto* weight = new QComboBox;
    for (char const* text : {"0.125 pt", "0.25 pt", "0.50 pt"})
        weight->addItem(text);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel("Weight:"), 0, 0);
    fields->addWidget(weight, 0, 1);
    fields->addWidget(new QLabel("Offset:"), 1, 0);
    fields->addWidget(Length(), 1, 1);
    fields->addWidget(new QWidget, 2, 0);
    auto* details = new QHBoxLayout;
    details->addLayout(marks);
    details->addLayout(fields);
    auto* bleedRow = new QHBoxLayout;
    bleedRow->addWidget(Box("Bleed:"));
    bleedRow->addWidget(Length());
    auto* adjustmentsLayout = new QVBoxLayout(adjustments);
    adjustmentsLayout->addWidget(Box("All Printer's Marks"));
    adjustmentsLayout->addLayout(details);
    adjustmentsLayout->addLayout(bleedRow);
    for (char const* text : {"Use Document Bleed Settings", "Include Slug Area (For Bleed)", "Print Spreads"})
        adjustmentsLayout->addWidget(Box(text));
    auto* pane = new QWidget;
    (new QVBoxLayout(pane))->addWidget(adjustments);

    // The collapsed "Options" section: disclosure button, title, rule, hidden pane.
    auto* options = new QWidget;
    auto* disclosure = new QToolButton(options);
    disclosure->setStyleSheet("QToolButton { border: none }");
    auto* rule = new QFrame;
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    auto* optionsLayout = new QGridLayout(options);
    optionsLayout->addWidget(disclosure, 0, 0);
    optionsLayout->addWidget(new QLabel("Options", options), 0, 1);
    optionsLayout->addWidget(rule, 0, 2);
    optionsLayout->addWidget(pane, 1, 0, 1, 3);
    optionsLayout->setColumnStretch(2, 1);
    pane->hide();

    auto* includePackage = new QCheckBox("Include File Package", dialog.get());
    includePackage->setToolTip("Check this option to deliver an InDesign file Package.");
    includePackage->setChecked(true);
    grid->addWidget(includePackage, 5, 0, 1, 4);
    grid->addWidget(options, 6, 0, 1, 4);

    auto* row = new QHBoxLayout;
    row->addWidget(Plain("Hold down the \"Alt\" key to remove a Trovelor from the list."));
    auto* copyright = new QPushButton(QString(QChar(0x00A9)));
    copyright->setToolTip("Copyrights");
    copyright->setAutoDefault(false);
    row->addWidget(copyright);
    row->addWidget(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
    row->addStretch();
    auto* layout = new QVBoxLayout(dialog.get());
    layout->addLayout(grid);
    layout->addWidget(Plain(QString()), 0, Qt::AlignHCenter);
    layout->addLayout(row);
    layout->addStretch();
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return dialog;
}

double OpenAndPaint(std::function<std::unique_ptr<QDialog>()> const& make) {
    Clock::time_point const start = Clock::now();
    std::unique_ptr<QDialog> dialog = make();
    FirstPaint paint(*dialog);
    dialog->show();
    if (!paint.Wait())
        return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A fresh child: Qt up, a private home with count Trovelors, one dialog painted untimed (a bare
// one when cold, the measured kind otherwise); then the timed opening.
double InChild(int count, bool ours, bool cold) {
    static int argc = 1;
    static char name[] = "trovel_bench";
    static char* argv[] = {name, nullptr};
    ScopedTempFolder home;
    ScopedEnvironment environment;
    for (char const* variable :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
        environment.Set(variable, home.Path());
    environment.Set("QT_QPA_PLATFORM", "offscreen");
    while (GBasicFrameworkCoreLayer::GetInitCount() != 0)
        GBasicFrameworkCoreLayer::Finalize();
    if (!GBasicFrameworkCoreLayer::Initialize())
        return -1;
    GPreferences::SetPrefModule(GPreferences::kUserLevel, new GPrefMemoryModule, true);
    std::unique_ptr<QApplication> application;
    if (QApplication::instance() == nullptr)
        application = std::make_unique<QApplication>(argc, argv);
    // One package with adjustments for every Trovelor: the choice reads it as a user's would.
    {
        GPrefMemoryModule prefs;
        GGPCPluginCSSettings settings(prefs);
        settings.SetUserSettingEnable(true);
        settings.IncludeFilePackage(true);
        settings.SetMarkOffset(2.5);
        GPPTrovelorPackageWriter writer;
        writer.AddPrinterFile("Press.joboptions", packagetest::JobOptionsText(16 << 10));
        std::string error;
        GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(Text("GUID-Press"));
        if (!writer.AddProjectPrefs(prefs) || !writer.Write(package, error))
            return -1;
        for (int i = 0; i < count; ++i) {
            if (!GPPTrovelorPackageWriter::Register(Text("Trovelor " + std::to_string(i)), package, 1,
                                                    Text("Settings " + std::to_string(i))))
                return -1;
        }
    }
    IdleAction action;
    GCPTFeatureConfiguration features;
    for (int feature = 0; feature <= 5; ++feature)
        features.SetFeatureAvailable(static_cast<GCPTFeatureConfiguration::Feature>(feature), true);
    // As in the plug-in, each opening has a tool of its own, made and dropped outside the dialog.
    std::unique_ptr<GCPTSaveAsTool> tool;
    std::function<std::unique_ptr<QDialog>()> const make = [&tool, count, ours]() -> std::unique_ptr<QDialog> {
        if (!ours)
            return BareDialog(count);
        auto dialog = std::make_unique<GCSPUSaveAsAmbrelledPDFDialog>(Text("Export"), *tool);
        dialog->SetSaveLoadGeometry(false);
        return dialog;
    };
    // Cold: what the first export of a session pays after Qt has painted something. Warm: every
    // later export, the same dialog having been opened once before.
    tool = std::make_unique<GCPTSaveAsTool>(action, &features);
    if (OpenAndPaint(cold ? std::function<std::unique_ptr<QDialog>()>([] { return BareDialog(1); }) : make) < 0)
        return -1;
    tool = std::make_unique<GCPTSaveAsTool>(action, &features);
    return OpenAndPaint(make);
}

// Each sample runs in a process of its own (the benchmark executable started again), not a fork:
// a QApplication that an earlier benchmark built in this process must not reach the child.
template <int Count, bool Ours, bool Cold>
double OpenInProcess() {
    return InChild(Count, Ours, Cold);
}

std::string WorkName(int count, bool ours, bool cold) {
    return std::string("export-dialog-") + (ours ? "ours-" : "bare-") + std::to_string(count) + (cold ? "-cold" : "-warm");
}

template <int Count, bool Ours, bool Cold>
bool RegisterOpen() {
    static std::string const name = WorkName(Count, Ours, Cold);
    return BenchChild::RegisterProcessWork(name.c_str(), &OpenInProcess<Count, Ours, Cold>);
}

const bool kRegistered = RegisterOpen<1, true, false>() && RegisterOpen<10, true, false>() &&
                         RegisterOpen<100, true, false>() && RegisterOpen<1, false, false>() &&
                         RegisterOpen<10, false, false>() && RegisterOpen<100, false, false>() &&
                         RegisterOpen<1, true, true>() && RegisterOpen<1, false, true>();

template <bool Ours, bool Cold>
void Open(benchmark::State& state) {
    std::string const name = WorkName(static_cast<int>(state.range(0)), Ours, Cold);
    BenchChild::RunTimed(state, [&name] { return BenchChild::TimeInFreshProcess(name.c_str()); },
                         "the dialog did not open");
}

}  // namespace

BENCHMARK_TEMPLATE(Open, true, false)->Name(TROVEL_BENCH_NAME("ExportDialogFirstPaint", "ours"))->Arg(1)->Arg(10)->Arg(100)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Open, false, false)->Name(TROVEL_BENCH_NAME("ExportDialogFirstPaint", "bare_qdialog"))->Arg(1)->Arg(10)->Arg(100)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Open, true, true)->Name(TROVEL_BENCH_NAME("ExportDialogColdFirstPaint", "ours"))->Arg(1)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Open, false, true)->Name(TROVEL_BENCH_NAME("ExportDialogColdFirstPaint", "bare_qdialog"))->Arg(1)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);
