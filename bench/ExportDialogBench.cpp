// Opening the export dialog with 1, 10 and 100 Trovelors in the registry, from its constructor to
// its first paint (offscreen), against a bare QDialog holding the same kinds of widgets (the list
// filled with as many names, the page controls with their validator, the file-package box, a
// hidden pane of adjustment controls, the buttons) that reads no registry and no preferences.
// Each iteration runs in a fresh child with a QApplication and a private home. Warm: the same kind
// of dialog was opened once before in the child (each later export of a session). Cold (1 only):
// only a bare dialog was painted before, so ours also pays its one-time costs. Fixed iterations:
// filling the registry of a child is untimed but slow.
#include <benchmark/benchmark.h>

#include <QtCore/QRegExp>
#include <QtGui/QRegExpValidator>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QDoubleSpinBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
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
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"
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

std::unique_ptr<QDialog> BareDialog(int count) {
    auto dialog = std::make_unique<QDialog>();
    auto* grid = new QGridLayout;
    auto* list = new QComboBox;
    for (int i = 0; i < count; ++i)
        list->addItem("Settings " + QString::number(i), "Trovelor " + QString::number(i));
    list->model()->sort(0);
    grid->addWidget(new QLabel("PDF Settings:"), 0, 0);
    grid->addWidget(list, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Pages:"), 2, 0);
    grid->addWidget(new QRadioButton("All"), 2, 1);
    grid->addWidget(new QRadioButton("Range:"), 3, 1);
    auto* range = new QLineEdit;
    range->setValidator(new QRegExpValidator(QRegExp("^(\\d+(-\\d+)?)(,\\d+(-\\d+)?)*$"), dialog.get()));
    grid->addWidget(range, 3, 2);
    grid->addWidget(new QCheckBox("Include File Package"), 5, 0, 1, 4);
    auto* pane = new QWidget;
    auto* paneLayout = new QVBoxLayout(pane);
    for (int i = 0; i < 10; ++i)
        paneLayout->addWidget(new QCheckBox("Mark"));
    paneLayout->addWidget(new QDoubleSpinBox);
    paneLayout->addWidget(new QDoubleSpinBox);
    paneLayout->addWidget(new QComboBox);
    pane->hide();
    grid->addWidget(pane, 6, 0, 1, 4);
    auto* layout = new QVBoxLayout(dialog.get());
    layout->addLayout(grid);
    layout->addWidget(new QLabel);
    layout->addWidget(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
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
    {
        GPPActorRegistry registry;
        for (int i = 0; i < count; ++i) {
            GPPSettings settings;
            GPathName package = GPPSettings::GetSettingsFolder();
            package.Append(Text("GUID-" + std::to_string(i)));
            package.Append(Text("package.zip"));
            settings.ContextFilePath = package;
            settings.IsPlugin = true;
            settings.PDFSettings = Text("Settings " + std::to_string(i));
            if (!registry.Register(Text("Trovelor " + std::to_string(i)), settings))
                return -1;
        }
    }
    IdleAction action;
    GCPTFeatureConfiguration features;
    for (int feature = 0; feature <= 5; ++feature)
        features.SetFeatureAvailable(static_cast<GCPTFeatureConfiguration::Feature>(feature), true);
    GCPTSaveAsTool tool(action, &features);
    std::function<std::unique_ptr<QDialog>()> const make = [&tool, count, ours]() -> std::unique_ptr<QDialog> {
        if (!ours)
            return BareDialog(count);
        auto dialog = std::make_unique<GCSPUSaveAsAmbrelledPDFDialog>(Text("Export"), tool);
        dialog->SetSaveLoadGeometry(false);
        return dialog;
    };
    // Cold: what the first export of a session pays after Qt has painted something. Warm: every
    // later export, the same dialog having been opened once before.
    if (OpenAndPaint(cold ? std::function<std::unique_ptr<QDialog>()>([] { return BareDialog(1); }) : make) < 0)
        return -1;
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
