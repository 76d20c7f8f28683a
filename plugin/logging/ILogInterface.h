#pragma once

#include <QString>

namespace Kelvora {

// The abstract logger. Every log call reaches the global logger (when one is installed) and then
// every logger that registered itself when it was constructed.
class ILogInterface {
public:
    using Severity = int;
    static constexpr Severity kAssert = -2;
    static constexpr Severity kDebug = -1;
    static constexpr Severity kMessage = 1;
    static constexpr Severity kError = 3;

    // With registerSelf the logger receives every call from construction until destruction.
    explicit ILogInterface(bool registerSelf);
    virtual ~ILogInterface();

    ILogInterface(const ILogInterface&) = delete;
    ILogInterface& operator=(const ILogInterface&) = delete;

    virtual void DoLog(Severity severity, const QString& message, const QString& location) = 0;

    static ILogInterface* GetGlobalLogger();
    // Takes ownership; the logger installed before is deleted (unless it is the same one).
    static void InitializeGlobalLogger(ILogInterface* logger);
    static void FinalizeGlobalLogger();

    static void Log(Severity severity, const QString& message, const QString& location);
    static void Log(const QString& message, const QString& location);

    bool IsRegistered() const { return m_registered; }

private:
    bool m_registered;
};

}  // namespace Kelvora

void log_assert(const QString& message, const QString& location);
void log_debug(const QString& message, const QString& location);
void log_error(const QString& message, const QString& location);
