#pragma once
// One job notice: the produced file and where it is to go, as the plug-in hands it to the
// printer-processor application. It travels as the framework's dictionary text ("#BEGINDICT",
// one quoted key and value per line, "#ENDDICT", every line ending in CR), encoded as UTF-8.
//
// Callers may rely on:
// - ToGString writes the six keys "UserName", "JobPath", "PrinterName", "PortName", "CopyCount"
//   and "PrinterID"; the text parses back into the same values (a line break inside a value
//   comes back as CR).
// - Parsing never throws for bad text: whatever is missing stays empty (CopyCount 0), and
//   IsValid tells whether the notice can be used.
#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GPPJobInfo {
public:
    GPPJobInfo(const GString& userName, const GPathName& jobPath, const GString& printerName,
               const GString& portName, int copyCount, const GString& printerID);
    // Parses a notice text (in any encoding the string knows).
    explicit GPPJobInfo(const GString& text);
    GPPJobInfo(const GPPJobInfo& other) = default;
    GPPJobInfo& operator=(const GPPJobInfo& other) = default;

    // All texts but PrinterID present and a copy count above 0.
    bool IsValid() const;
    void ToGString(GString& out) const;
    // The notice text as UTF-8 without byte-order mark: what goes on the wire.
    GBuffer ToUTF8() const;
    // Parses the bytes of a received notice.
    static GPPJobInfo FromUTF8(const GBuffer& bytes);

    const GString& GetUserName() const { return mUserName; }
    const GPathName& GetJobPath() const { return mJobPath; }
    const GString& GetPrinterName() const { return mPrinterName; }
    const GString& GetPortName() const { return mPortName; }
    int GetCopyCount() const { return mCopyCount; }
    const GString& GetPrinterID() const { return mPrinterID; }

private:
    GString mUserName;
    GPathName mJobPath;
    GString mPrinterName;
    GString mPortName;
    int mCopyCount = 0;
    GString mPrinterID;
};
