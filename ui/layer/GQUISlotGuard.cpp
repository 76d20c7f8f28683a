#include "ui/layer/GQUISlotGuard.h"

#include "core/base/GException.h"
#include "core/text/GString.h"
#include "services/messages/GUserMessage.h"
#include "core/text/GStringPool.h"

namespace {

GString Describe(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (GException const& exception) {
        return exception.GetDescription();
    } catch (std::exception const& exception) {
        return GString(exception.what());
    } catch (...) {
    }
    return GString("An unknown error occurred.");
}

}  // namespace

void GQUISlotGuard::Report(std::exception_ptr error) noexcept {
    try {
        GUserMessage::GetInstance()->ShowErrorMessage(GStringPool::GetString(13), Describe(error));
    } catch (...) {
        // Nothing is left to tell the user with; the event loop must still go on.
    }
}
