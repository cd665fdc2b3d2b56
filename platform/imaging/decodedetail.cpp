#include "platform/imaging/decodedetail.h"

#include "platform/imaging/decoder.h"

#include <cstdio>
#include <cstring>

namespace pix::imaging {

namespace {

// About two hundred characters: a line of a log, not a dump.
constexpr std::size_t kMaxDetail = 200;

// Plain storage, so that a callback can write it without allocating and a thread that ends
// leaves nothing to destroy.
struct Detail {
    char text[kMaxDetail + 1] = {};
    bool present = false;
    detail::Severity severity = detail::Severity::Warning;
};

thread_local Detail current;

bool keeps(detail::Severity severity) {
    return !current.present || int(severity) > int(current.severity);
}

// Control characters (a line break inside a message, bytes a file put into a tag name) become
// spaces; spaces at either end and runs of them are dropped. A message cut at the length limit
// loses the partial UTF-8 character at its end.
void store(detail::Severity severity, const char* message) {
    char text[kMaxDetail + 1];
    std::size_t n = 0;
    bool space = true; // drops leading spaces
    const char* p = message;
    for (; *p != '\0' && n < kMaxDetail; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F || c == ' ') {
            if (!space)
                text[n++] = ' ';
            space = true;
            continue;
        }
        text[n++] = char(c);
        space = false;
    }
    if (*p != '\0' && (static_cast<unsigned char>(*p) & 0xC0) == 0x80) {
        while (n > 0 && (static_cast<unsigned char>(text[n - 1]) & 0xC0) == 0x80)
            --n;
        if (n > 0 && static_cast<unsigned char>(text[n - 1]) >= 0xC0)
            --n;
    }
    while (n > 0 && text[n - 1] == ' ')
        --n;
    if (n == 0)
        return; // an empty message says nothing; keep what was there
    std::memcpy(current.text, text, n);
    current.text[n] = '\0';
    current.present = true;
    current.severity = severity;
}

} // namespace

QString lastDecodeDetail() {
    return current.present ? QString::fromUtf8(current.text) : QString();
}

QString lastDecodeNote() {
    return current.present && current.severity == detail::Severity::Note
               ? QString::fromUtf8(current.text)
               : QString();
}

namespace detail {

void clearDecodeDetail() {
    current.present = false;
    current.text[0] = '\0';
}

void noteDecodeDetail(Severity severity, const char* message) {
    if (message && keeps(severity))
        store(severity, message);
}

void noteDecodeDetailFormatted(Severity severity, const char* format, va_list arguments) {
    if (!format || !keeps(severity))
        return;
    char text[kMaxDetail * 2];
    std::vsnprintf(text, sizeof text, format, arguments);
    store(severity, text);
}

} // namespace detail

} // namespace pix::imaging
