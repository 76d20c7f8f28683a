#pragma once
// The exceptions of the framework. Each carries a numeric id, whose English text
// GException::Initialize registers, and a context: what the thread that made the exception was
// working on, taken from its innermost GExceptionLocation (empty outside any location). The
// message for a user is the context, ": " and the id's text.
//
// Callers may rely on:
// - Making an exception never fails because of its context: any failure while the context is
//   captured, out of memory included, leaves the context empty. The capture never touches the
//   process's out-of-memory handler, so other threads allocating meanwhile are not disturbed.
// - Copies share the (unchangeable) context and custom text: copying never allocates or throws.
// - GMemoryException (2451) takes no context and is a std::bad_alloc as well; the other
//   exceptions are not std::exception objects.
// - Destroying an exception never throws.
// The descriptions are GLngString and GString, only declared here because the containers that
// GString is made of include this header: callers that read them include GLngString.h.
#include <memory>
#include <new>

class GLngString;
class GString;

class GException {
public:
    // 2450 "General Exception".
    GException() noexcept;
    explicit GException(int id) noexcept;
    GException(const GException& other) noexcept = default;
    GException& operator=(const GException& other) noexcept = default;
    virtual ~GException();

    virtual GLngString GetLngDescription() const;
    // The context, ": " and the description; the description alone when there is no context.
    virtual GLngString GetLngFullDescription() const;
    virtual int GetExceptionID() const { return mID; }

    // The readable forms of the two above.
    GString GetDescription() const;
    GString GetFullDescription() const;
    bool HasContext() const noexcept { return mContext != nullptr; }

    // Registers the English texts of the foundation's exception ids; calling it again changes nothing.
    static void Initialize();

private:
    // No capture at all: for exceptions that must not take memory.
    struct WithoutContext {};
    GException(int id, WithoutContext) noexcept : mID(id) {}
    friend class GMemoryException;

    int mID;
    // Null when no context was known.
    std::shared_ptr<const GLngString> mContext;
};

// An id and nothing more.
class GSimpleException : public GException {
public:
    explicit GSimpleException(int id) : GException(id) {}
    ~GSimpleException() override;
};

// Out of memory (2451); also a std::bad_alloc so that handlers written for either catch it. It
// never captures a context, so making one takes no memory.
class GMemoryException : public GException, public std::bad_alloc {
public:
    GMemoryException() noexcept : GException(kID, WithoutContext()) {}
    ~GMemoryException() override;
    const char* what() const noexcept override { return std::bad_alloc::what(); }

    static constexpr int kID = 2451;
};
