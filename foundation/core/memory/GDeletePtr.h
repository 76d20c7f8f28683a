#pragma once
// The deletion policy of GAutoPtr: a plain delete of the object.

struct GDeletePtr {
    template <class T>
    static void Delete(T* object) {
        delete object;
    }
};
