#pragma once
// GPrefMemoryModule: a preference module whose store is a saved copy in memory. It can be built
// from preference text, and gives its groups back as preference text.
#include "core/text/GString.h"
#include "services/preferences/GPrefModule.h"

class GPrefMemoryModule : public GPrefModule {
public:
    GPrefMemoryModule();
    // Reads the text (its code units, in the text's own encoding) as a list of groups.
    explicit GPrefMemoryModule(GString const& text);
    ~GPrefMemoryModule() override;

    void ReadDict() override;
    void WriteDict() override;

    // The current groups as preference text, a UTF-16 text without byte-order mark.
    void GetPrefsData(GString& out) const;
    // Whether the text given to the constructor was read whole.
    bool WasTextComplete() const { return mTextComplete; }

private:
    Groups mSaved;
    bool mTextComplete = true;
};
