#pragma once

#include <QByteArray>
#include <QString>

// Text and byte forms shared by the mail routes.
namespace kalamora::mail {

// Where readers of a mail without the font file can download it.
inline constexpr const char *FontDownloadAddress = "https://kalamora.org/fonts";

// `text` made fit for one header line: each line break (CR, LF or CRLF)
// becomes a blank, so a subject can never start a header of its own.
QString headerSafe(const QString &text);

// A free-text header value such as a subject, as it follows "Name: " on the
// wire (line breaks in `text` become blanks first). Plain printable ASCII
// stays as it is, folded before blanks into lines a reader accepts; anything
// else (other characters, blanks at either end, a word too long to fold, a
// sequence that would read as an encoded word) becomes RFC 2047 encoded
// words of UTF-8, one per folded line. A reader decodes exactly `text`.
QByteArray encodeHeaderText(const QString &text);

// An address header value (From, To): trimmed, ASCII as it stands (an
// address cannot be folded), otherwise as encodeHeaderText gives it.
QByteArray encodeHeaderAddress(const QString &address);

// `data` as quoted-printable body text: each line end in it (CRLF, a bare CR
// or LF) a CRLF line break, every other byte outside printable ASCII as =XX,
// lines of at most 76 characters joined by soft breaks, which a reader
// removes, so no break is ever added to what is shown.
QByteArray quotedPrintable(QByteArrayView data);

// Base64 text (any line breaks or blanks in it are dropped) in lines of 76
// characters joined by CRLF, with no line end after the last.
QByteArray wrapBase64(const QByteArray &base64Text);

// `data` encoded as base64 in lines of 76 characters, each ended by CRLF.
QByteArray base64Lines(const QByteArray &data);

// The bytes of a mail text: each character as its glyph code (the
// Windows-1252 byte that stands for it in documents), so Kruti Dev text
// arrives as the font's own codes. A character without a glyph code goes out
// as an HTML character reference (&#N;) rather than being lost.
QByteArray encodeMailText(const QString &text);

// A message as it follows the SMTP DATA command: every line end made CRLF
// (a bare CR or LF too), lines longer than the 998 bytes servers accept
// folded before a blank, a line that begins with "." given a second one, and
// the closing CRLF "." CRLF.
QByteArray smtpData(const QByteArray &message);

// `address` as an SMTP path: trimmed and in angle brackets.
QByteArray smtpPath(const QString &address);

// The recipient check of the mail window: the text without surrounding
// blanks must be non-empty and hold an "@" and a ".".
bool isValidMailTo(const QString &to);

// The bytes that go out after DATA on the direct route: the composed mail
// text with From, To and Date lines put before its own header lines (a
// message without them is refused by many servers), in glyph-code bytes
// (a composed message with its header lines is ASCII throughout).
QByteArray directMessage(const QString &mailText, const QString &from, const QString &to);

} // namespace kalamora::mail
