// The plug-in settings, all 17 written and read back: ours through GGPCPluginCSSettings over an
// in-memory preference module, against QSettings over an INI file in memory (/dev/shm when there,
// never synced inside the loop), with the same texts under the same group and keys.
#include <benchmark/benchmark.h>

#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <unistd.h>

#include <string>

#include "BenchRatio.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "support/FoundationStartup.h"

namespace {

using Settings = GGPCPluginCSSettings;

void WriteAndReadOurs(benchmark::State& state) {
    StartFoundation();
    GPrefMemoryModule store;
    Settings settings(store);
    double sum = 0;
    int n = 0;
    for (auto _ : state) {
        bool const flag = (++n & 1) != 0;
        settings.SetBleedChoice(Settings::kBleedUseGivenValue);
        settings.SetBleedTopValue(2.5);
        settings.SetBleedBottomValue(3.5);
        settings.SetBleedInsideValue(4.5);
        settings.SetBleedOutsideValue(5.5);
        settings.SetIncludeSlugArea(flag);
        settings.SetPrintSpreadsAllow(flag);
        settings.SetPrinterMarkAllow(flag);
        settings.SetMarkTrimAllow(flag);
        settings.SetMarkBleedAllow(flag);
        settings.SetMarkPrnRegistrationAllow(flag);
        settings.SetMarkColorBarsAllow(flag);
        settings.SetMarkPageInfoAllow(flag);
        settings.SetMarkWeight(Settings::kMarkWeight050);
        settings.SetMarkOffset(6.25);
        settings.SetUserSettingEnable(flag);
        settings.IncludeFilePackage(flag);
        sum += settings.GetBleedChoice() + settings.GetBleedTopValue() + settings.GetBleedBottomValue() +
               settings.GetBleedInsideValue() + settings.GetBleedOutsideValue() + settings.IsSlugAreaIncluded() +
               settings.IsPrintSpreadsAllowed() + settings.IsPrinterMarksAllowed() + settings.IsMarkTrimAllowed() +
               settings.IsMarkBleedAllowed() + settings.IsMarkPrnRegistrationAllowed() +
               settings.IsMarkColorBarsAllowed() + settings.IsMarkPageInfoAllowed() + settings.GetMarkWeight() +
               settings.GetMarkOffset() + settings.IsUserSettingEnabled() + settings.IsFilePackageIncluded();
        benchmark::DoNotOptimize(sum);
    }
}

QString Bool(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

void WriteAndReadQt(benchmark::State& state) {
    QTemporaryDir folder(access("/dev/shm", W_OK) == 0 ? "/dev/shm/trovel-bench-XXXXXX" : QString());
    QSettings ini(folder.filePath("settings.ini"), QSettings::IniFormat);
    QString const bools[] = {"BleedSlugArea", "PrintSpreads", "PrinterMarks", "Trim", "Bleed", "PrinterRegistration",
                             "ColorBars", "PageInfo", "UserSettings", "IncludeFilePackage"};
    double sum = 0;
    int n = 0;
    for (auto _ : state) {
        bool const flag = (++n & 1) != 0;
        ini.beginGroup("PluginSettings");
        ini.setValue("BleedChoice", "BleedValueSet");
        ini.setValue("BleedTopValue", QString::number(2.5, 'f', 6));
        ini.setValue("BleedBottomValue", QString::number(3.5, 'f', 6));
        ini.setValue("BleedInsideValue", QString::number(4.5, 'f', 6));
        ini.setValue("BleedOutsideValue", QString::number(5.5, 'f', 6));
        for (QString const& key : bools)
            ini.setValue(key, Bool(flag));
        ini.setValue("MarkWeight", "MarkWeight050");
        ini.setValue("MarkOffset", QString::number(6.25, 'f', 6));
        sum += ini.value("BleedChoice").toString() == "BleedValueSet" ? 1 : 0;
        for (char const* key : {"BleedTopValue", "BleedBottomValue", "BleedInsideValue", "BleedOutsideValue", "MarkOffset"})
            sum += ini.value(key).toString().toDouble();
        for (QString const& key : bools)
            sum += ini.value(key).toString() == "true" ? 1 : 0;
        sum += ini.value("MarkWeight").toString() == "MarkWeight050" ? 2 : 1;
        ini.endGroup();
        benchmark::DoNotOptimize(sum);
    }
}

}  // namespace

BENCHMARK(WriteAndReadOurs)->Name(TROVEL_BENCH_NAME("PluginSettings17", "ours"))->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteAndReadQt)->Name(TROVEL_BENCH_NAME("PluginSettings17", "qsettings"))->Unit(benchmark::kMicrosecond);
