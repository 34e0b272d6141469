#pragma once

#include <string>
#include <string_view>

// Plain-text files. Read: UTF-8 when the file says so (a byte-order mark) or
// is valid UTF-8 with at least one non-ASCII byte, UTF-16 with its mark,
// Windows-1252 otherwise. Written: Windows-1252 when every character has a
// byte there and those bytes would not be read as UTF-8 or UTF-16, else
// UTF-8 with a byte-order mark, so no character is lost or changed.
namespace kalamora::plaintext {

enum class Encoding { Windows1252, Utf8, Utf16LE, Utf16BE };

Encoding detect(std::string_view bytes);
std::u16string decode(std::string_view bytes);
std::string encode(std::u16string_view text);

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

} // namespace kalamora::plaintext
