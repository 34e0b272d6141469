#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// Every message box of the program goes through showMessage(), so that a test
// can answer it instead of a user (no modal box may block a test run).

namespace kalamora {

struct MessageRequest {
    QWidget *parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

using MessageHook = std::function<QMessageBox::StandardButton(const MessageRequest &)>;

// Shows the box modally, or hands it to the hook when one is installed.
QMessageBox::StandardButton showMessage(const MessageRequest &request);

inline QMessageBox::StandardButton showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                               const QString &text,
                                               QMessageBox::StandardButtons buttons = QMessageBox::Ok)
{
    return showMessage(MessageRequest{parent, icon, title, text, buttons});
}

// Installs a hook (an empty one restores the real boxes); returns the old one.
MessageHook setMessageHook(MessageHook hook);

} // namespace kalamora
