#pragma once

#include <QtCore/qglobal.h>

#if defined(HINDIRTF_BUILDING_LIBRARY)
#define HINDIRTF_EXPORT Q_DECL_EXPORT
#else
#define HINDIRTF_EXPORT Q_DECL_IMPORT
#endif
