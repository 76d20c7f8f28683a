#pragma once
// GBQCSharedObject: a reference count kept on any QObject in a dynamic property, so that every
// toolkit instance of the process (each plug-in has its own copy) can share one application
// object.
//
// Callers may rely on:
// - The property name is the same in every instance; an absent or unreadable property counts as 0.
// - Release deletes the object when its count is at most n; null objects are ignored.
#include <QtCore/QObject>

class GBQCSharedObject {
public:
    GBQCSharedObject() = delete;

    static char const* const kPropertyName;

    static bool IsShared(QObject const* object);
    static unsigned int GetRefCount(QObject const* object);
    static void Acquire(QObject* object, unsigned int n);
    static void Release(QObject* object, unsigned int n);
};
