#include "app/messagebox.h"

#include <utility>

namespace kalamora {

namespace {
MessageHook &currentHook()
{
    static MessageHook hook;
    return hook;
}
} // namespace

QMessageBox::StandardButton showMessage(const MessageRequest &request)
{
    if (currentHook())
        return currentHook()(request);
    QMessageBox box(request.icon, request.title, request.text, request.buttons, request.parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageHook setMessageHook(MessageHook hook)
{
    return std::exchange(currentHook(), std::move(hook));
}

} // namespace kalamora
