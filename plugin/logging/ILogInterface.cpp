#include "plugin/logging/ILogInterface.h"

#include <QSet>

#include <mutex>

namespace Kelvora {

namespace {

// Registration belongs to start-up and shutdown; the lock only keeps a log call from another
// thread from reading the set while it changes.
std::mutex& Lock() {
    static std::mutex m;
    return m;
}

QSet<ILogInterface*>& Registered() {
    static QSet<ILogInterface*> s;
    return s;
}

ILogInterface*& Global() {
    static ILogInterface* g = nullptr;
    return g;
}

}  // namespace

ILogInterface::ILogInterface(bool registerSelf) : m_registered(registerSelf) {
    if (m_registered) {
        std::lock_guard<std::mutex> lock(Lock());
        Registered().insert(this);
    }
}

ILogInterface::~ILogInterface() {
    if (m_registered) {
        std::lock_guard<std::mutex> lock(Lock());
        Registered().remove(this);
    }
}

ILogInterface* ILogInterface::GetGlobalLogger() {
    return Global();
}

void ILogInterface::InitializeGlobalLogger(ILogInterface* logger) {
    ILogInterface* old = Global();
    Global() = logger;
    // Installing the present logger again must not leave a deleted one installed.
    if (old != logger)
        delete old;
}

void ILogInterface::FinalizeGlobalLogger() {
    ILogInterface* old = Global();
    Global() = nullptr;
    delete old;
}

void ILogInterface::Log(Severity severity, const QString& message, const QString& location) {
    if (ILogInterface* global = Global())
        global->DoLog(severity, message, location);
    QSet<ILogInterface*> copy;
    {
        std::lock_guard<std::mutex> lock(Lock());
        if (Registered().isEmpty())
            return;
        copy = Registered();
    }
    for (ILogInterface* logger : copy) {
        // A logger destroyed by an earlier one during this walk is skipped, not called.
        {
            std::lock_guard<std::mutex> lock(Lock());
            if (!Registered().contains(logger))
                continue;
        }
        logger->DoLog(severity, message, location);
    }
}

void ILogInterface::Log(const QString& message, const QString& location) {
    Log(kMessage, message, location);
}

}  // namespace Kelvora

void log_assert(const QString& message, const QString& location) {
    Kelvora::ILogInterface::Log(Kelvora::ILogInterface::kAssert, message, location);
}

void log_debug(const QString& message, const QString& location) {
    Kelvora::ILogInterface::Log(Kelvora::ILogInterface::kDebug, message, location);
}

void log_error(const QString& message, const QString& location) {
    Kelvora::ILogInterface::Log(Kelvora::ILogInterface::kError, message, location);
}
