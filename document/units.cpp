#include "document/units.h"

#include <QGuiApplication>
#include <QScreen>

namespace kalamora::document {

namespace {

double unitsPerInch()
{
    if (const QScreen *s = QGuiApplication::primaryScreen()) {
        const double dpi = s->logicalDotsPerInchY();
        if (dpi > 0)
            return dpi;
    }
    return 96.0;
}

} // namespace

double twipsToUnits(double twips)
{
    return twips * unitsPerInch() / 1440.0;
}

double unitsToTwips(double units)
{
    return units * 1440.0 / unitsPerInch();
}

} // namespace kalamora::document
