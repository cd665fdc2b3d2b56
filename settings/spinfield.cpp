#include "settings/spinfield.h"

#include <algorithm>
#include <optional>

namespace pix {

namespace {
// Far above any range of the dialogs, far below what 64 bits hold.
constexpr std::int64_t kSaturation = 1'000'000'000'000LL;

// The leading number of the text, or none when no digit follows the blanks and the sign.
std::optional<std::int64_t> leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    const qsizetype first = i;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(kSaturation, value * 10 + (text[i].unicode() - u'0'));
    if (i == first)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

std::int64_t ReadLeadingNumber(const QString& text) {
    return leadingNumber(text).value_or(0);
}

bool IsDigitsOnly(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

int SpinField::position() const {
    const std::optional<std::int64_t> number = leadingNumber(text_);
    if (!number)
        return last_;
    return static_cast<int>(std::clamp<std::int64_t>(*number, minimum_, maximum_));
}

void SpinField::setPosition(std::int64_t position) {
    last_ = static_cast<int>(std::clamp<std::int64_t>(position, minimum_, maximum_));
    text_ = QString::number(last_);
}

void SpinField::step(int steps) {
    const std::int64_t span = std::int64_t{maximum_} - minimum_ + 1;
    std::int64_t next = (std::int64_t{position()} - minimum_ + steps) % span;
    if (next < 0)
        next += span;
    setPosition(minimum_ + next);
}

} // namespace pix
