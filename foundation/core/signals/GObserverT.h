#pragma once
// An observer of GSubjectT subjects: it is told through Update when a subject it is attached to
// notifies. It remembers its subjects, and its destructor detaches it from each (last attached
// first) and lets no exception out, so an observer may be destroyed while attached, also inside
// its own Update. Subjects and observers take no lock: they belong to one thread.
// TMessage is the type of Notify's message; it is passed by value.
#include "core/containers/GTable.h"

template <class TMessage>
class GSubjectT;

template <class TMessage = int>
class GObserverT {
public:
    GObserverT() = default;
    GObserverT(const GObserverT&) = delete;
    GObserverT& operator=(const GObserverT&) = delete;
    virtual ~GObserverT();

    virtual void Update(GSubjectT<TMessage>* subject) { (void)subject; }
    virtual void Update(GSubjectT<TMessage>* subject, TMessage message) {
        (void)message;
        Update(subject);
    }

    // Forgets the subject; the subject's own table is its Detach's business.
    void RemoveSubject(GSubjectT<TMessage>* subject) { mSubjects.RemoveItem(subject); }
    bool HasSubject(GSubjectT<TMessage>* subject) const { return mSubjects.FindItem(subject) >= 0; }
    int GetSubjectCount() const { return mSubjects.GetCount(); }

private:
    friend class GSubjectT<TMessage>;

    GTable<GSubjectT<TMessage>*> mSubjects;
};

#include "core/signals/GSubjectT.h"

template <class TMessage>
GObserverT<TMessage>::~GObserverT() {
    while (mSubjects.GetCount() > 0) {
        GSubjectT<TMessage>* subject = mSubjects[mSubjects.GetCount() - 1];
        try {
            subject->Detach(this);
        } catch (...) {
            // A destructor must not throw; the subject is forgotten below all the same.
        }
        mSubjects.RemoveItem(subject);
    }
}
