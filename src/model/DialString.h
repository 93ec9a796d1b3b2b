#pragma once

#include <QString>

#include <optional>

// Which characters dial, in one place: the keypad and the keyboard, the tones of a call, pasted
// text and dial links, transfer targets, and the request URI a dialled text becomes.
namespace vozel::DialString {

// The keys of the keypad, which are also the tones a call can send: 0-9, "*" and "#".
bool isKey(char32_t character);

// The tone for a text that is exactly one key; none for anything else.
std::optional<char> toneOf(const QString &text);

// Length in characters (code points), as the user counts them.
qsizetype length(const QString &text);

QString withoutLastCharacter(const QString &text);

// The number after typing a key: unchanged when the text is not one key or the number already
// holds `limit` characters.
QString withKey(const QString &number, const QString &key, qsizetype limit);

// The dialable characters of a pasted text or a dial link, in order, at most `limit` of them:
// the keys, "+", and decimal digits of any script (as ASCII digits). Everything else is dropped.
QString dialablePart(const QString &text, qsizetype limit);

// The extension of a typed transfer target: its decimal digits of any script, as ASCII, at most
// `limit` of them. The PBX transfers to extensions, so no "*", "#" or "+".
QString extensionPart(const QString &text, qsizetype limit);

// The user part of the request URI for a dialled text, percent-encoded as SIP requires, so
// feature codes reach the PBX ("*21*2003#" goes out as "*21*2003%23"). Spaces stay as typed:
// the stack refuses them with a clear line rather than calling a number nobody has.
QString sipUserPart(const QString &dialled);

} // namespace vozel::DialString
