#include "hostsdk/base/IDFile.h"

PMString IDFile::GetFileName() const {
    const std::u16string& units = mPath.UTF16();
    const std::u16string::size_type slash = units.rfind(u'/');
    if (slash == std::u16string::npos)
        return mPath;
    return PMString(units.substr(slash + 1));
}
