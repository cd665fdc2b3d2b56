// The message of a job file that does not parse: the program's own error code, the line and
// the position in the line, and the parser's reason.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <pugixml.hpp>

namespace pix {

// A document with more than one top-level element: the parser accepts it, the format does not.
inline constexpr std::uint32_t kSecondRootCode = 0x584D4C0C;

struct TextPlace {
    int line = 1;     // from 1, lines end at "\n"
    int position = 1; // from 1, in characters
};

/// The stable code shown for a parser status.
std::uint32_t parseErrorCode(pugi::xml_parse_status status);

/// Where the parser's offset lies in the file. The parser counts in bytes of its own UTF-8 copy
/// of the text, so files in other encodings are converted the same way before counting. A byte
/// order mark is not counted; an offset past the end counts to the end.
TextPlace placeOfOffset(const QByteArray& bytes, pugi::xml_encoding encoding,
                        std::ptrdiff_t offset);

/// "Error 0x%.8X on line %d, position %d\r\nReason: %s".
QString parseErrorMessage(std::uint32_t code, TextPlace place, const QString& reason);

} // namespace pix
