#include "ui/layer/GQUILayer.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLocale>
#include <QtCore/QPointer>
#include <QtGui/QGuiApplication>
#include <QtGui/QPalette>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "mac/system/PSystem.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "services/filesystem/GFileSystem.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/messages/GUserMessage.h"
#include "services/preferences/GPreferences.h"
#include "ui/help/GQUIHelpHandler.h"
#include "ui/layer/GBQCSharedObject.h"
#include "ui/layer/GBQLayoutDebugger.h"
#include "ui/layer/GQUILayerStrings.h"
#include "ui/layer/GQUINativeLookingApplication.h"
#include "ui/layer/GQUIWidgetWrapper.h"
#include "ui/messages/GQUIUserMessage.h"

GPathName GQUILayer::sPrefFileName;

namespace {

constexpr int kRepeaterSignal = 101;

// Delivers Qt's posted events from the framework's repeater signal, for a host whose own loop
// does not run Qt's.
class GQEventsSenderHelper : public GReceiver<GEmptyMessage> {
public:
    void Receive(int, GEmptyMessage const&) override { QCoreApplication::sendPostedEvents(nullptr, 0); }
};

int sInitialized = 0;
bool sUseActiveWindowAsParent = true;
bool sUseKelvoraStyle = true;
bool sDefaultFloatingIsTool = true;
int cDummyArgc = 1;
char cEmptyArgument[] = "";
char* cDummyArgv[] = {cEmptyArgument, nullptr};
QApplication* sApplicationObj = nullptr;
std::unique_ptr<GQEventsSenderHelper> sEventsSenderHelper;
std::unique_ptr<GBQLayoutDebugger> sLayoutDebugger;
std::unique_ptr<GQUIWidgetWrapper> sWidgetWrapper;
GQUILayer::LoopHandler sStartModalLoopHandler = nullptr;
GQUILayer::LoopHandler sStopModalLoopHandler = nullptr;
GQUILayer::LoopHandler sStartFloatingLoopHandler = nullptr;
GQUILayer::LoopHandler sStopFloatingLoopHandler = nullptr;
GQUILayer::MainWindowHandler sMainWindowHandler = nullptr;
GQUILayer::WindowEventHandler sWindowEventFloatingHandler = nullptr;
std::unique_ptr<GPathName> sQtPluginsFolder;
// The window ids of the modal loops started and not yet stopped, oldest first.
std::vector<void*> sOpenModalLoops;

QApplication* MakeApplication(unsigned int count) {
    setenv("QT_MAC_WANTS_LAYER", "1", 1);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QCoreApplication::setAttribute(Qt::AA_PluginApplication);
    GPathName folder;
    if (sQtPluginsFolder) {
        folder = *sQtPluginsFolder;
    } else {
        GFileSystem::GetDllPath(folder);
        folder = folder.GetBranch();
    }
    QCoreApplication::addLibraryPath(GQStringSupport::ToQString(folder));
    auto* application = new GQUINativeLookingApplication<QApplication>(cDummyArgc, cDummyArgv);
    GBQCSharedObject::Acquire(application, count);
    sApplicationObj = application;
    sEventsSenderHelper = std::make_unique<GQEventsSenderHelper>();
    sEventsSenderHelper->Subscribe(kRepeaterSignal);
    return application;
}

// The application this layer works with, or null when the process has only a non-widget one.
QApplication* FindOrMakeApplication() {
    QCoreApplication* existing = QCoreApplication::instance();
    if (existing == nullptr)
        return MakeApplication(1);
    if (auto* application = qobject_cast<QApplication*>(existing)) {
        if (GBQCSharedObject::IsShared(application)) {
            GBQCSharedObject::Acquire(application, 1);
            sApplicationObj = application;
        }
        return application;
    }
    if (!GBQCSharedObject::IsShared(existing))
        return nullptr;
    // The other holders keep their shares in the application that replaces theirs.
    unsigned int const count = GBQCSharedObject::GetRefCount(existing);
    delete existing;
    return MakeApplication(count + 1);
}

void SetLook() {
    QPalette palette = QGuiApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setBrush(QPalette::Inactive, role, QBrush(palette.color(QPalette::Active, role)));
    QApplication::setPalette(palette, "QListWidget");
    QLocale locale(QLocale::English);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(locale);
    qApp->setStyleSheet(GQUILayer::GetStyleSheet(PSystem::GetOSCode()));
}

void StopOpenModalLoops() {
    while (!sOpenModalLoops.empty())
        GQUILayer::HandleStopModalLoop(sOpenModalLoops.back());
}

}  // namespace

void GQUILayer::Initialize() {
    if (sInitialized++ != 0)
        return;
    GBasicFrameworkCoreLayer::Initialize();
    if (QApplication* application = FindOrMakeApplication()) {
        if (GPreferences::GetBool(GBuffer("General"), GBuffer("ShowQtLayoutDebugGuides"))) {
            sLayoutDebugger = std::make_unique<GBQLayoutDebugger>(nullptr);
            application->installEventFilter(sLayoutDebugger.get());
        }
        if (sUseKelvoraStyle)
            SetLook();
    }
    GQUIHelpHandler::Initialize();
    GQUILayerStrings::Register();
    if (GUserMessage::HasDefaultInstance())
        GUserMessage::SetInstance(new GQUIUserMessage);
}

void GQUILayer::Finalize() {
    if (sInitialized <= 0) {
        sInitialized = 0;
        return;
    }
    if (--sInitialized != 0)
        return;
    GQUIHelpHandler::Finalize();
    StopOpenModalLoops();
    sStartModalLoopHandler = sStopModalLoopHandler = nullptr;
    sStartFloatingLoopHandler = sStopFloatingLoopHandler = nullptr;
    sWidgetWrapper.reset();
    if (sEventsSenderHelper)
        sEventsSenderHelper->UnSubscribe(kRepeaterSignal);
    sQtPluginsFolder.reset();
    GBasicFrameworkCoreLayer::Finalize();
    sEventsSenderHelper.reset();
    if (sApplicationObj != nullptr) {
        GBQCSharedObject::Release(QCoreApplication::instance(), 1);
        sApplicationObj = nullptr;
    }
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
        application->removeEventFilter(sLayoutDebugger.get());
    sLayoutDebugger.reset();
}

int GQUILayer::GetInitCount() { return sInitialized; }

void GQUILayer::SetStartModalLoopHandler(LoopHandler handler) { sStartModalLoopHandler = handler; }
void GQUILayer::SetStopModalLoopHandler(LoopHandler handler) { sStopModalLoopHandler = handler; }
void GQUILayer::SetStartFloatingLoopHandler(LoopHandler handler) { sStartFloatingLoopHandler = handler; }
void GQUILayer::SetStopFloatingLoopHandler(LoopHandler handler) { sStopFloatingLoopHandler = handler; }
void GQUILayer::SetWindowEventFloatingHandler(WindowEventHandler handler) { sWindowEventFloatingHandler = handler; }

void GQUILayer::SetMainWindowHandler(MainWindowHandler handler) {
    sMainWindowHandler = handler;
    if (handler == nullptr) {
        sWidgetWrapper.reset();
        return;
    }
    handler();
    sWidgetWrapper = std::make_unique<GQUIWidgetWrapper>();
}

void GQUILayer::HandleStartModalLoop(void* windowID) {
    sOpenModalLoops.push_back(windowID);
    if (sStartModalLoopHandler != nullptr)
        sStartModalLoopHandler(windowID);
}

void GQUILayer::HandleStopModalLoop(void* windowID) {
    // The host keeps one modal state per start: a stop for an older loop first stops the newer
    // ones, so the host always releases in reverse; a stop without a start releases nothing.
    auto const found = std::find(sOpenModalLoops.rbegin(), sOpenModalLoops.rend(), windowID);
    if (found == sOpenModalLoops.rend())
        return;
    size_t const index = sOpenModalLoops.size() - 1 - static_cast<size_t>(found - sOpenModalLoops.rbegin());
    while (sOpenModalLoops.size() > index) {
        void* const id = sOpenModalLoops.back();
        sOpenModalLoops.pop_back();
        if (sStopModalLoopHandler != nullptr)
            sStopModalLoopHandler(id);
    }
}

int GQUILayer::GetOpenModalLoopCount() { return static_cast<int>(sOpenModalLoops.size()); }

void GQUILayer::HandleStartFloatingLoop(void* windowID) {
    if (sStartFloatingLoopHandler != nullptr)
        sStartFloatingLoopHandler(windowID);
}

void GQUILayer::HandleStopFloatingLoop(void* windowID) {
    if (sStopFloatingLoopHandler != nullptr)
        sStopFloatingLoopHandler(windowID);
}

void GQUILayer::HandleWindowEventFloating(void* windowID, int event) {
    if (sWindowEventFloatingHandler != nullptr)
        sWindowEventFloatingHandler(windowID, event);
}

QWidget* GQUILayer::GetWidgetWrapper() {
    if (sUseActiveWindowAsParent && QApplication::activeWindow() != nullptr)
        return QApplication::activeWindow();
    return sWidgetWrapper.get();
}

void GQUILayer::SetUseActiveWindowAsParent(bool value) { sUseActiveWindowAsParent = value; }
void GQUILayer::SetUseKelvoraStyle(bool value) { sUseKelvoraStyle = value; }
void GQUILayer::SetDefaultFloatingIsTool(bool value) { sDefaultFloatingIsTool = value; }
bool GQUILayer::GetDefaultFloatingIsTool() { return sDefaultFloatingIsTool; }

void GQUILayer::SetPrefFileName(GPathName const& path) { sPrefFileName = path; }

void GQUILayer::GetPrefFileName(GPathName& out) {
    if (!sPrefFileName.IsEmpty()) {
        out = sPrefFileName;
        return;
    }
    out = GFileSystem::GetSpecialPath(36);
    out.Append(GString("UIGeometrySettingsQt5.ini"));
}

GPathName GQUILayer::GetPrefFileName() {
    GPathName out;
    GetPrefFileName(out);
    return out;
}

void GQUILayer::SetQtPluginsFolder(GPathName const& folder) { sQtPluginsFolder = std::make_unique<GPathName>(folder); }

QString GQUILayer::GetStyleSheet(int osCode) {
    QString const indicatorBottom = osCode < 6016 ? QString() : QStringLiteral("bottom:1px; ");
    return QStringLiteral("QRadioButton { spacing:5px;} QRadioButton::indicator { ") + indicatorBottom +
           QStringLiteral("width: 15px; height: 24px; } QCheckBox { height: 20px; spacing:5px;}QCheckBox::indicator{ ") +
           indicatorBottom +
           QStringLiteral("width:15px; height: 20px; }QToolButton::menu-indicator { right:200 } QSpinBox, "
                          "QDoubleSpinBox { height:17px; padding-right: 4px; } ");
}
