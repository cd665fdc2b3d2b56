// A digits-only edit with its spin: the text the edit holds and the position the spin reads
// from it. No widgets; the dialogs' models keep one per spin.
#pragma once

#include <QString>
#include <cstdint>

namespace pix {

// The number at the start of a text as the C library's atoi reads it (leading blanks, an
// optional sign, digits), saturated so that no text can overflow: 0 when there is no number.
std::int64_t ReadLeadingNumber(const QString& text);

// True when the text is empty or holds only the digits 0 to 9.
bool IsDigitsOnly(const QString& text);

class SpinField {
public:
    SpinField(int minimum, int maximum) : minimum_(minimum), maximum_(maximum), last_(minimum) {}

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    const QString& text() const { return text_; }

    // The edit's text as typed; the position is not changed until it is read.
    void setText(const QString& text) { text_ = text; }

    // The value the spin stands at: the edit's number kept within the range; an edit without a
    // number reads as the position last set.
    int position() const;

    // Sets the position, kept within the range, and writes it into the edit.
    void setPosition(std::int64_t position);

    // One arrow press or more: from the position, wrapping around at the ends of the range.
    void step(int steps);

private:
    int minimum_;
    int maximum_;
    int last_;
    QString text_;
};

} // namespace pix
