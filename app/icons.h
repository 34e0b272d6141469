#pragma once

#include <QIcon>
#include <QString>

namespace kalamora {

// Selects the program's icon theme (Breeze, from the system's icon folders).
void setUpIconTheme();

// The icon of a command, by its toolbar key or command name. Commands the
// theme has no icon for (tab stops, the full-stop and numeral options) get
// one drawn here in the theme's style, so no command is ever without one.
QIcon commandIcon(const QString &key);

// The program's own icon (the window icon and the desktop entry's).
QIcon applicationIcon();

} // namespace kalamora
