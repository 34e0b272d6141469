#include "zipctl/widgetentry.h"

#include "zipctl/aboutdialog.h"
#include "zipctl/bundlet.h"

extern "C" {

BUNDLET_WIDGET_EXPORT QObject *BundletCreateWidget(QWidget *parent)
{
    return new Bundlet(parent);
}

BUNDLET_WIDGET_EXPORT void BundletShowAbout(QWidget *parent)
{
    BundlexAboutDialog dialog(parent);
    dialog.exec();
}
}
