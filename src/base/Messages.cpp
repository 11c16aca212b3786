#include "base/Messages.h"
#include "base/Format.h"

namespace launcher {

namespace {
MessageHandler currentHandler = &presentError;
} // namespace

MessageHandler setMessageHandler(MessageHandler handler) {
    MessageHandler previous = currentHandler;
    currentHandler = handler ? handler : &presentError;
    return previous;
}

int showError(WindowHandle owner, std::u16string_view text) {
    return currentHandler(owner, text);
}

int showError(WindowHandle owner, MessageId id) {
    return showError(owner, loadMessage(id));
}

int showFormattedError(WindowHandle owner, MessageId format, std::u16string_view argument) {
    return showError(owner, formatMessage(loadMessage(format), {argument}));
}

std::u16string windowsErrorText(MessageId step, long long errorCode) {
    return formatMessage(loadMessage(MessageId::WindowsException), {loadMessage(step), errorCode});
}

std::u16string jniErrorText(MessageId step, int code) {
    std::u16string reason;
    if (code <= -1 && code >= -6) {
        auto id = static_cast<uint16_t>(static_cast<int>(MessageId::JniReasonUnknown) - 1 - code);
        reason = loadMessage(static_cast<MessageId>(id));
    }
    return formatMessage(loadMessage(MessageId::JniException), {loadMessage(step), reason});
}

} // namespace launcher
