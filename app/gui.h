#pragma once

namespace kalamora {

// Makes the program's own font (GO10.TTF in the program folder) known to this
// process, so the Hindi font box always offers "Glyphora 010" whether or not
// the font is installed on the system. Returns false when the file is missing.
bool registerProgramFont();

} // namespace kalamora
