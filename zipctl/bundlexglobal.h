#pragma once

#include <QtCore/qglobal.h>

#if defined(BUNDLEX_BUILDING_LIBRARY)
#define BUNDLEX_EXPORT Q_DECL_EXPORT
#else
#define BUNDLEX_EXPORT Q_DECL_IMPORT
#endif
