// Interceptable message boxes, dialogs and file choices of the text engine.
#include "uihooks.h"

#include <QDialog>
#include <QFileDialog>

#include <cmath>

using namespace Qt::StringLiterals;

namespace textengine {

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

static double twipsPerUnit()
{
    return g_unit == 2 ? 567.0 : 1440.0;
}

QString twipsToDialogText(double twips)
{
    return QString::number((twips + 0.0005) / twipsPerUnit(), 'f', 2);
}

int dialogTextToTwips(const QString &text)
{
    QString s = text;
    s.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    const qsizetype comma = s.indexOf(QLatin1Char(','));
    if (comma >= 0)
        s[comma] = QLatin1Char('.');
    // The longest leading part that reads as a number.
    qsizetype end = 0;
    bool dot = false;
    if (end < s.size() && (s[end] == QLatin1Char('-') || s[end] == QLatin1Char('+')))
        ++end;
    while (end < s.size() && (s[end].isDigit() || (s[end] == QLatin1Char('.') && !dot))) {
        dot = dot || s[end] == QLatin1Char('.');
        ++end;
    }
    bool ok = false;
    const double v = s.left(end).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return 0;
    const double tw = std::nearbyint(std::clamp(v * twipsPerUnit(), -2.0e9, 2.0e9));
    return static_cast<int>(tw);
}

} // namespace textengine
