#pragma once
// GQUILayer: the Qt layer of the toolkit. It finds or makes the process's one QApplication and
// shares it with other toolkit instances through a count on the application object, delivers
// Qt's posted events from the framework's repeater signal when it made the application, sets the
// look, starts hover help, registers the toolkit's texts, and keeps the host's hooks around Qt
// event loops and the hidden widget that parents dialogs.
//
// Callers may rely on:
// - Initialize and Finalize nest; only the outermost pair does the work, and the count never
//   falls below 0.
// - The Handle functions call the stored hook, or do nothing without one. Every start of a modal
//   loop is matched by one stop in reverse order of the starts; Finalize stops the loops still
//   open, newest first, before it clears the hooks.
// - GetPrefFileName gives the name set last, or "UIGeometrySettingsQt5.ini" in special path 36.
// - Main thread only.
#include <QtCore/QString>

#include "services/paths/GPathName.h"

class QWidget;

class GQUILayer {
public:
    GQUILayer() = delete;

    using LoopHandler = void (*)(void*);
    using WindowEventHandler = void (*)(void*, int);
    using MainWindowHandler = void* (*)();

    static void Initialize();
    static void Finalize();
    static int GetInitCount();

    static void SetStartModalLoopHandler(LoopHandler handler);
    static void SetStopModalLoopHandler(LoopHandler handler);
    static void SetStartFloatingLoopHandler(LoopHandler handler);
    static void SetStopFloatingLoopHandler(LoopHandler handler);
    static void SetWindowEventFloatingHandler(WindowEventHandler handler);
    static void SetMainWindowHandler(MainWindowHandler handler);

    static void HandleStartModalLoop(void* windowID);
    static void HandleStopModalLoop(void* windowID);
    static void HandleStartFloatingLoop(void* windowID);
    static void HandleStopFloatingLoop(void* windowID);
    static void HandleWindowEventFloating(void* windowID, int event);
    // How many modal loops have started and not yet stopped.
    static int GetOpenModalLoopCount();

    static QWidget* GetWidgetWrapper();

    static void SetUseActiveWindowAsParent(bool value);
    static void SetUseKelvoraStyle(bool value);
    static void SetDefaultFloatingIsTool(bool value);
    static bool GetDefaultFloatingIsTool();

    static void SetPrefFileName(GPathName const& path);
    static void GetPrefFileName(GPathName& out);
    static GPathName GetPrefFileName();
    static void SetQtPluginsFolder(GPathName const& folder);

    // The application style sheet for an operating-system code.
    static QString GetStyleSheet(int osCode);

private:
    static GPathName sPrefFileName;
};
