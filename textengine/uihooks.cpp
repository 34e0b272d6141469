// Interceptable message boxes, dialogs and file choices of the text engine.
#include "textengine/uihooks.h"

#include <QDialog>
#include <QFileDialog>

#include <cmath>

using namespace Qt::StringLiterals;

namespace kalamora::textengine {

namespace {

MessageHook &messageHook()
{
    static MessageHook hook;
    return hook;
}

DialogHook &dialogHook()
{
    static DialogHook hook;
    return hook;
}

OpenFileHook &openFileHook()
{
    static OpenFileHook hook;
    return hook;
}

int g_unit = 1;

} // namespace

MessageHook setMessageHook(MessageHook hook)
{
    return std::exchange(messageHook(), std::move(hook));
}

DialogHook setDialogHook(DialogHook hook)
{
    return std::exchange(dialogHook(), std::move(hook));
}

OpenFileHook setOpenFileHook(OpenFileHook hook)
{
    return std::exchange(openFileHook(), std::move(hook));
}

int showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons)
{
    if (messageHook())
        return messageHook()(parent, icon, title, text, buttons);
    QMessageBox box(icon, title, text, buttons, parent);
    return box.exec();
}

int runDialog(QDialog *dialog)
{
    if (dialogHook())
        return dialogHook()(dialog);
    return dialog->exec();
}

QString chooseOpenFile(QWidget *parent, const QString &title, const QString &filter)
{
    if (openFileHook())
        return openFileHook()(parent, title, filter);
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

int measurementUnit()
{
    return g_unit;
}

void setMeasurementUnit(int unit)
{
    if (unit == 1 || unit == 2)
        g_unit = unit;
}

QString measurementUnitName()
{
    return g_unit == 2 ? u"cm"_s : u"inch"_s;
}

} // namespace kalamora::textengine
