#pragma once
// A table of pointers that owns the objects they point at: its destructor deletes them, from the
// last item to the first (null items are skipped). Removing an item hands its object back to the
// caller; the table does not delete it. Objects are deleted through T's destructor, so a base
// class T needs a virtual destructor.
#include <utility>

#include "core/containers/GTable.h"

template <class T>
class GAutoTable : public GTable<T*> {
public:
    GAutoTable() noexcept = default;
    GAutoTable(GAutoTable&& other) noexcept : GTable<T*>(std::move(other)) {}
    // Two owners of one object would delete it twice.
    GAutoTable(const GAutoTable&) = delete;
    GAutoTable& operator=(const GAutoTable&) = delete;
    ~GAutoTable() { this->DeleteAllItems(); }
};
