#include "printerprocessor/jobs/GPPJobInfo.h"

#include "core/containers/GDict.h"
#include "core/streams/GContainerText.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"

namespace {

const GBuffer cKey_UserName("UserName");
const GBuffer cKey_JobPath("JobPath");
const GBuffer cKey_PrinterName("PrinterName");
const GBuffer cKey_PortName("PortName");
const GBuffer cKey_CopyName("CopyCount");
const GBuffer cKey_PrinterId("PrinterID");

typedef GDict<GBuffer, GString> NoticeDict;

// Sets field from the key's value when the key is present.
void CopyIfPresent(const NoticeDict& dict, const GBuffer& key, GString& field) {
    int slot = 0;
    if (dict.GetExistingIndex(key, slot))
        field = dict.GetValueAt(slot);
}

GString ValueOrEmpty(const NoticeDict& dict, const GBuffer& key) {
    GString value;
    CopyIfPresent(dict, key, value);
    return value;
}

}  // namespace

GPPJobInfo::GPPJobInfo(const GString& userName, const GPathName& jobPath, const GString& printerName,
                       const GString& portName, int copyCount, const GString& printerID)
    : mUserName(userName),
      mJobPath(jobPath),
      mPrinterName(printerName),
      mPortName(portName),
      mCopyCount(copyCount),
      mPrinterID(printerID) {}

GPPJobInfo::GPPJobInfo(const GString& text) {
    NoticeDict dict(5);
    // A damaged block keeps the entries read before the damage; IsValid judges the result.
    dict.FromString(text);
    CopyIfPresent(dict, cKey_UserName, mUserName);
    CopyIfPresent(dict, cKey_PrinterName, mPrinterName);
    CopyIfPresent(dict, cKey_PortName, mPortName);
    CopyIfPresent(dict, cKey_PrinterId, mPrinterID);
    mCopyCount = ValueOrEmpty(dict, cKey_CopyName).GetInt32();
    mJobPath.SetNativePathString(ValueOrEmpty(dict, cKey_JobPath));
}

bool GPPJobInfo::IsValid() const {
    return !mUserName.IsEmpty() && !mJobPath.IsEmpty() && !mPrinterName.IsEmpty() && !mPortName.IsEmpty() &&
           mCopyCount > 0;
}

void GPPJobInfo::ToGString(GString& out) const {
    NoticeDict dict(5);
    dict.Put(cKey_UserName, mUserName);
    dict.Put(cKey_JobPath, mJobPath.GetNativePathString());
    dict.Put(cKey_PrinterName, mPrinterName);
    dict.Put(cKey_PortName, mPortName);
    dict.Put(cKey_CopyName, GString(mCopyCount));
    dict.Put(cKey_PrinterId, mPrinterID);
    dict.ToString(out);
}

GBuffer GPPJobInfo::ToUTF8() const {
    GString text;
    ToGString(text);
    return text.GetBuffer(GEncodingFallback::Get<GUTF8Encoding>());
}

GPPJobInfo GPPJobInfo::FromUTF8(const GBuffer& bytes) {
    return GPPJobInfo(GString(bytes, GEncodingFallback::Get<GUTF8Encoding>()));
}
