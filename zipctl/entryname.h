// Stored entry names as text.
#pragma once

#include <QString>

#include <string_view>

namespace bundlex {

// A name flagged UTF-8 (general purpose bit 11) is UTF-8. An unflagged name
// is UTF-8 when its bytes are valid UTF-8 (Info-ZIP on Unix stores them so,
// without the flag), else code page 437, the format's own default.
QString decodeEntryName(std::string_view raw, bool utf8Flag);

} // namespace bundlex
