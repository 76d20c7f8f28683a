#include "hostsdk/documents/HostBookContentMgr.h"

#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/documents/HostBookContent.h"
#include "hostsdk/trace/HostCallLog.h"

namespace {

constexpr ClassID kBookContentBoss = 0x7F12;

}  // namespace

HostBookContentMgr::HostBookContentMgr(IPMUnknown* boss, std::shared_ptr<const HostBookRecord> record)
    : CPMUnknown<IBookContentMgr>(boss), mRecord(std::move(record)), mDataBase(boss) {
    for (std::size_t i = 0; i < mRecord->chapters.size(); ++i) {
        HostBoss* content = HostBoss::Create(kBookContentBoss);
        content->Add<HostBookContent>(mRecord->chapters[i]);
        mContents.push_back(content);
        mDataBase.Add(kFirstContentUID + static_cast<UID>(i), content);
    }
}

HostBookContentMgr::~HostBookContentMgr() {
    while (!mContents.empty()) {
        mContents.back()->Release();
        mContents.pop_back();
    }
}

std::int32_t HostBookContentMgr::GetContentCount() const {
    if (HostCallLog::Enter("IBookContentMgr::GetContentCount", "\"" + mRecord->name + "\""))
        return 0;
    return static_cast<std::int32_t>(mRecord->chapters.size());
}

UID HostBookContentMgr::GetNthContent(std::int32_t index) const {
    if (HostCallLog::Enter("IBookContentMgr::GetNthContent", std::to_string(index)))
        return 0;
    if (!HostCallLog::InList("IBookContentMgr::GetNthContent", index, mRecord->chapters.size()))
        return 0;
    return kFirstContentUID + static_cast<UID>(index);
}

IDataBase* HostBookContentMgr::GetDataBase() const {
    if (HostCallLog::Enter("IBookContentMgr::GetDataBase"))
        return nullptr;
    return &mDataBase;
}
