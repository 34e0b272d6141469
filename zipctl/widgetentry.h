// What libbundlex asks of libbundletwidget, which it loads by name only when
// a widget application wants the control's window: plain C entry points, so
// that the control library itself needs nothing beyond Qt Core.
#pragma once

class QObject;
class QWidget;

// Creates a Bundlet widget, a child of parent (or owned by the caller).
using BundletCreateWidgetFn = QObject *(*)(QWidget *parent);
// Shows the About window modally over parent.
using BundletShowAboutFn = void (*)(QWidget *parent);
