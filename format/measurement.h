#pragma once

#include "textengine/dialogunits.h"
#include "textengine/uihooks.h"

#include <QString>

// Lengths as dialogs show them: the text engine's DlgString2Twips and
// Twips2DlgString (dialogunits.h), in its measurement unit (uihooks.h), so that
// every dialog reads and shows lengths the same way.
namespace kalamora::format {

using textengine::leadingNumber;

// "inch" or "cm", the label beside a length box.
inline QString unitLabel()
{
    return textengine::measurementUnitName();
}

} // namespace kalamora::format
