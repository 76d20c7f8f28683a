#pragma once
// The exceptions of the framework: each carries a numeric message id whose text lives in the
// string pools. Callers catch GException (or std::bad_alloc for GMemoryException).
#include <exception>
#include <new>

class GException : public std::exception {
public:
    GException() : mID(2450) {}
    explicit GException(int id) : mID(id) {}
    ~GException() override = default;

    virtual int GetExceptionID() const { return mID; }
    const char* what() const noexcept override { return "GException"; }

private:
    int mID;
};

// An id and nothing more.
class GSimpleException : public GException {
public:
    explicit GSimpleException(int id) : GException(id) {}
};

// Out of memory (2451); also a std::bad_alloc so that handlers written for either catch it.
class GMemoryException : public GException, public std::bad_alloc {
public:
    GMemoryException() : GException(2451) {}
    const char* what() const noexcept override { return std::bad_alloc::what(); }
};
