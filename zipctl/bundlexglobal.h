#pragma once

#include <QtCore/qglobal.h>

// libbundlex: the control without its window, registration and factory.
#if defined(BUNDLEX_BUILDING_LIBRARY)
#define BUNDLEX_EXPORT Q_DECL_EXPORT
#else
#define BUNDLEX_EXPORT Q_DECL_IMPORT
#endif

// libbundletwidget: the control's window, loaded only by widget hosts.
#if defined(BUNDLET_WIDGET_BUILDING_LIBRARY)
#define BUNDLET_WIDGET_EXPORT Q_DECL_EXPORT
#else
#define BUNDLET_WIDGET_EXPORT Q_DECL_IMPORT
#endif
