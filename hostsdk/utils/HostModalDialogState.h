#pragma once
// The host's modal-dialog states as a stack: each acquisition pushes a new token (1, 2, ...),
// a release must name the token on top. Releasing another held token, an unknown one or null
// is a broken rule: logged; a held token is still removed.
#include <cstdint>
#include <vector>

class HostModalDialogState {
public:
    void* Acquire();
    void Release(void* token);
    std::size_t Depth() const { return mHeld.size(); }

private:
    std::uintptr_t mLast = 0;
    std::vector<std::uintptr_t> mHeld;
};
