#include "jobfile/parseerror.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace pix {

namespace {

// The codes spell "XML" in their upper three bytes; the lowest byte numbers the problem. They
// are the program's own and stay fixed whatever the parser's numbering of its states.
constexpr std::uint32_t kCodeBase = 0x584D4C00;

struct StatusCode {
    pugi::xml_parse_status status;
    std::uint32_t low;
};

constexpr StatusCode kStatusCodes[] = {
    {pugi::status_unrecognized_tag, 0x01},    {pugi::status_bad_pi, 0x02},
    {pugi::status_bad_comment, 0x03},         {pugi::status_bad_cdata, 0x04},
    {pugi::status_bad_doctype, 0x05},         {pugi::status_bad_pcdata, 0x06},
    {pugi::status_bad_start_element, 0x07},   {pugi::status_bad_attribute, 0x08},
    {pugi::status_bad_end_element, 0x09},     {pugi::status_end_element_mismatch, 0x0A},
    {pugi::status_no_document_element, 0x0B}, // 0x0C: a second top-level element
};

// Any other state (reading, memory, internal) is not the file's fault; it gets one code.
constexpr std::uint32_t kOtherLow = 0xFF;

std::optional<QStringConverter::Encoding> wideEncoding(pugi::xml_encoding encoding) {
    switch (encoding) {
    case pugi::encoding_utf16_le:
        return QStringConverter::Utf16LE;
    case pugi::encoding_utf16_be:
        return QStringConverter::Utf16BE;
    case pugi::encoding_utf16:
        return QStringConverter::Utf16;
    case pugi::encoding_utf32_le:
        return QStringConverter::Utf32LE;
    case pugi::encoding_utf32_be:
        return QStringConverter::Utf32BE;
    case pugi::encoding_utf32:
    case pugi::encoding_wchar:
        return QStringConverter::Utf32;
    default:
        return std::nullopt;
    }
}

// The text as the parser sees it: UTF-8, with a byte order mark kept as one.
QByteArray parserText(const QByteArray& bytes, pugi::xml_encoding encoding) {
    if (encoding == pugi::encoding_latin1)
        return QString::fromLatin1(bytes).toUtf8();
    const std::optional<QStringConverter::Encoding> wide = wideEncoding(encoding);
    if (!wide)
        return bytes;
    QStringDecoder decoder(*wide, QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder(bytes);
    return text.toUtf8();
}

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

std::uint32_t parseErrorCode(pugi::xml_parse_status status) {
    const auto* found = std::find_if(std::begin(kStatusCodes), std::end(kStatusCodes),
                                     [status](const StatusCode& c) { return c.status == status; });
    return kCodeBase | (found != std::end(kStatusCodes) ? found->low : kOtherLow);
}

TextPlace placeOfOffset(const QByteArray& bytes, pugi::xml_encoding encoding,
                        std::ptrdiff_t offset) {
    const QByteArray text = parserText(bytes, encoding);
    const qsizetype end = std::clamp<qsizetype>(offset, 0, text.size());
    const qsizetype start = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    TextPlace place;
    for (qsizetype i = start; i < end; ++i) {
        if (text[i] == '\n') {
            ++place.line;
            place.position = 1;
        } else if (!isContinuationByte(text[i])) {
            ++place.position;
        }
    }
    return place;
}

QString parseErrorMessage(std::uint32_t code, TextPlace place, const QString& reason) {
    const QString codeText =
        QString::number(code, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    return QStringLiteral("Error 0x%1 on line %2, position %3\r\nReason: %4")
        .arg(codeText, QString::number(place.line), QString::number(place.position), reason);
}

} // namespace pix
