#pragma once
// One run of the stand-in host: reads the sample documents, books and script, loads the plug-in
// bundle, registers its factories and classes, runs its start-up services, creates its action
// components, opens the documents and books, updates and prints the action states, runs the
// actions asked for, and takes everything down again in the reverse order. It prints what it
// saw (alerts, modal states, broken rules) as it happens and, at the end, what was left and
// whether the session's PDF export preferences were left changed.
//
// Exit status: 0 all went well; 1 the command line is wrong; 2 the bundle, a sample file or the
// script could not be used, or an action is unknown; 3 the plug-in misbehaved (an exception
// reached the host, an object could not be made, references, objects or modal states were left,
// or a rule was broken).
#include <iosfwd>
#include <string>
#include <vector>

#include "host/HostDialogDriver.h"
#include "host/HostOptions.h"
#include "host/HostScript.h"
#include "hostsdk/base/HostTypes.h"
#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/HostDocumentRecord.h"

class HostBoss;
class PlugIn;
class PlugInBundle;
class StandInHost;

class HostProgram {
public:
    enum Exit { kSucceeded = 0, kUsage = 1, kUnusable = 2, kMisbehaved = 3 };

    HostProgram(const HostOptions& options, std::ostream& out, std::ostream& errors);
    int Run();

private:
    struct Component {
        ClassID bossClass;
        HostBoss* boss;
    };

    bool ReadInputs();
    void RunWithPlugIn(StandInHost& host, PlugInBundle& bundle);
    bool Register(PlugIn& plugIn);
    // A new object of a plug-in class; null (reported) when it could not be made.
    HostBoss* Create(ClassID bossClass, const std::string& what);
    void StartServices();
    void CreateComponents();
    void UpdateStates(StandInHost& host);
    void PrintStates(const StandInHost& host);
    void RunAction(StandInHost& host, const PlugIn& plugIn, ActionID action);
    void TakeDown(StandInHost& host);
    void Summarize(std::size_t modalStatesHeld);
    // Calls `call` into the plug-in; an exception is reported as the plug-in's fault.
    template <class Call>
    bool Guarded(const std::string& what, Call call);
    void Fail(Exit exit, const std::string& message);

    const HostOptions& mOptions;
    std::ostream& mOut;
    std::ostream& mErrors;
    int mExit = kSucceeded;
    std::vector<HostDocumentRecord> mDocuments;
    std::vector<HostBookRecord> mBooks;
    HostScript mScript;
    // Takes the script's steps in the plug-in's dialogs; without steps it closes them.
    HostDialogDriver mDriver{mScript, mOut, mOptions.paceMs};
    std::vector<HostBoss*> mServices;
    std::vector<Component> mComponents;
    // Whether the run left the session's PDF export preferences other than it found them.
    bool mSessionPdfChanged = false;
};
