#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace kalamora::textengine {

// Every message box, modal dialog and file choice of the text engine goes
// through these functions, so that a test (or an embedding program) can
// answer them instead of a user. With no hook set they show the real thing.

// Answers a message box: returns the QMessageBox::StandardButton chosen.
using MessageHook = std::function<int(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                      const QString &text, QMessageBox::StandardButtons buttons)>;
// Runs a modal dialog in place of exec(): returns QDialog::Accepted or
// QDialog::Rejected. The hook may fill the dialog's fields first.
using DialogHook = std::function<int(QDialog *dialog)>;
// Chooses a file to open: returns its path, or "" for a cancelled choice.
using OpenFileHook = std::function<QString(QWidget *parent, const QString &title, const QString &filter)>;

// Each setter returns the hook it replaces; an empty function restores the
// real dialogs.
MessageHook setMessageHook(MessageHook hook);
DialogHook setDialogHook(DialogHook hook);
OpenFileHook setOpenFileHook(OpenFileHook hook);

int showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok);
int runDialog(QDialog *dialog);
QString chooseOpenFile(QWidget *parent, const QString &title, const QString &filter);

// The unit lengths are shown in by the text engine's dialogs: 1 inch (the
// default), 2 centimetre. Other values are ignored.
int measurementUnit();
void setMeasurementUnit(int unit);
// "inch" or "cm". Lengths go to and from the dialogs' text through
// DlgString2Twips and Twips2DlgString (dialogunits.h).
QString measurementUnitName();

} // namespace kalamora::textengine
