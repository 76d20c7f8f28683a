#pragma once
// GQUISlotGuard: runs the body of a Qt slot or event handler so that no exception reaches Qt's
// event loop. A caught exception is shown to the user through the current user-message instance
// and the call returns false.
#include <exception>
#include <utility>

class GQUISlotGuard {
public:
    GQUISlotGuard() = delete;

    template <class F>
    static bool Run(F&& body) noexcept {
        try {
            std::forward<F>(body)();
            return true;
        } catch (...) {
            Report(std::current_exception());
            return false;
        }
    }

    // Shows what the exception says; never throws.
    static void Report(std::exception_ptr error) noexcept;
};
