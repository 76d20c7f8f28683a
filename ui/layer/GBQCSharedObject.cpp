#include "ui/layer/GBQCSharedObject.h"

#include <QtCore/QVariant>

char const* const GBQCSharedObject::kPropertyName = "DIRA:Kelvora_GBQCSharedObject_RefCount";

namespace {

bool ReadCount(QObject const* object, unsigned int& count) {
    count = 0;
    if (object == nullptr)
        return false;
    QVariant const value = object->property(GBQCSharedObject::kPropertyName);
    bool ok = false;
    int const read = value.toInt(&ok);
    if (!value.isValid() || !ok)
        return false;
    count = static_cast<unsigned int>(read);
    return true;
}

}  // namespace

bool GBQCSharedObject::IsShared(QObject const* object) {
    unsigned int count = 0;
    return ReadCount(object, count) && count != 0;
}

unsigned int GBQCSharedObject::GetRefCount(QObject const* object) {
    unsigned int count = 0;
    ReadCount(object, count);
    return count;
}

void GBQCSharedObject::Acquire(QObject* object, unsigned int n) {
    if (object == nullptr)
        return;
    object->setProperty(kPropertyName, QVariant(GetRefCount(object) + n));
}

void GBQCSharedObject::Release(QObject* object, unsigned int n) {
    if (object == nullptr)
        return;
    unsigned int const count = GetRefCount(object);
    if (count <= n) {
        delete object;
        return;
    }
    object->setProperty(kPropertyName, QVariant(count - n));
}
