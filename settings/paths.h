#pragma once

#include <QString>

// Where the program's files live.

namespace kalamora {

// The folder of read-only assets that ship with the program (GO10.TTF,
// FNT.ATT, Dict.mdb, the help pages). KALAMORA_PROGRAM_DIR overrides it
// (tests); otherwise the executable's own folder when it holds the font (a
// build tree), else <prefix>/share/kalamora beside the installed binary.
QString programFolder();

// The per-user folder for every file the program writes for itself
// (FINDTMP0.RTF, EML00TMP.RTF, mail attachments). Created on first use.
QString userDataFolder();

} // namespace kalamora
