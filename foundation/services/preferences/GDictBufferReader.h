#pragma once
// GDictBufferReader: the list reader with byte-string group names (the ASCII bytes of the quoted
// name), as the preference modules read their files with "#BEGINPREFS" and "#ENDPREFS".
#include "services/preferences/GDictListReader.h"

template <class K, class V>
class GDictBufferReader : public GDictListReader<GBuffer, K, V> {
public:
    using GDictListReader<GBuffer, K, V>::GDictListReader;

    // The preference text's phrases.
    explicit GDictBufferReader(typename GDictListReader<GBuffer, K, V>::Target& target)
        : GDictListReader<GBuffer, K, V>(target, GString("#BEGINPREFS"), GString("#ENDPREFS")) {}

    void TransformKey(GString const& name, GBuffer& key) const override {
        name.GetBuffer(key, GEncodingFallback::Get<GASCIIEncoding>());
    }
};
