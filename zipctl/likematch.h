// Pattern matching for entry names: "*" any run of characters, "?" one
// character, "#" one digit, "[list]" one character of the list ("a-z" ranges,
// "[!list]" negates). Compares code units exactly; callers lower-case both
// sides for a case-blind match.
#pragma once

#include <QStringView>

namespace bundlex {

bool likeMatch(QStringView text, QStringView pattern);

} // namespace bundlex
