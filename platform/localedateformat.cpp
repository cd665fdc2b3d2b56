#include "platform/localedateformat.h"

#include <QList>

namespace pix {

namespace {

struct Token {
    enum Kind { Field, Literal, Quoted };
    Kind kind;
    QString text;
};

bool isFieldLetter(QChar c) {
    return QStringView(u"dMyhHmszt").contains(c) || c == QLatin1Char('A') || c == QLatin1Char('a');
}

bool isAmPm(const Token& token) {
    return token.kind == Token::Field &&
           (token.text.front() == QLatin1Char('A') || token.text.front() == QLatin1Char('a'));
}

bool isDropped(const Token& token) {
    return token.kind == Token::Field &&
           (token.text.front() == QLatin1Char('z') || token.text.front() == QLatin1Char('t'));
}

bool isSeparator(QChar c) {
    return c.isSpace() || c.isPunct();
}

// A field: a run of one letter, or an AM/PM mark "A"/"a" with an optional "P"/"p".
qsizetype fieldLength(const QString& format, qsizetype start) {
    const QChar c = format.at(start);
    if (c == QLatin1Char('A') || c == QLatin1Char('a')) {
        const bool withP = start + 1 < format.size() && format.at(start + 1).toLower() == u'p';
        return withP ? 2 : 1;
    }
    qsizetype end = start + 1;
    while (end < format.size() && format.at(end) == c)
        ++end;
    return end - start;
}

// Quoted text from the opening quote at start; "''" inside stands for one quote. An unclosed
// quote runs to the end. Returns the position after the closing quote.
qsizetype readQuoted(const QString& format, qsizetype start, QString* text) {
    qsizetype i = start + 1;
    while (i < format.size()) {
        if (format.at(i) != QLatin1Char('\'')) {
            *text += format.at(i++);
        } else if (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('\'')) {
            *text += QLatin1Char('\'');
            i += 2;
        } else {
            return i + 1;
        }
    }
    return i;
}

void appendLiteral(QList<Token>* tokens, QChar c) {
    if (tokens->isEmpty() || tokens->back().kind != Token::Literal)
        tokens->append({Token::Literal, QString()});
    tokens->back().text += c;
}

QList<Token> tokenize(const QString& format) {
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'') && i + 1 < format.size() && format.at(i + 1) == c) {
            appendLiteral(&tokens, c); // "''" outside quotes: one quote character
            i += 2;
        } else if (c == QLatin1Char('\'')) {
            Token quoted{Token::Quoted, QString()};
            i = readQuoted(format, i, &quoted.text);
            tokens.append(quoted);
        } else if (isFieldLetter(c)) {
            const qsizetype length = fieldLength(format, i);
            tokens.append({Token::Field, format.mid(i, length)});
            i += length;
        } else {
            appendLiteral(&tokens, c);
            ++i;
        }
    }
    return tokens;
}

void chopTrailing(QString* text, bool (*strip)(QChar)) {
    while (!text->isEmpty() && strip(text->back()))
        text->chop(1);
}

void removeLeading(QString* text, bool (*strip)(QChar)) {
    qsizetype n = 0;
    while (n < text->size() && strip(text->at(n)))
        ++n;
    text->remove(0, n);
}

bool isSpace(QChar c) {
    return c.isSpace();
}

// Brackets that enclosed only the dropped field go with it: "(t)", "[t]".
void dropEnclosingBrackets(Token* before, Token* after) {
    if (before == nullptr || after == nullptr || before->kind != Token::Literal ||
        after->kind != Token::Literal || before->text.isEmpty() || after->text.isEmpty())
        return;
    const QChar open = before->text.back();
    const QChar close = after->text.front();
    if ((open == u'(' && close == u')') || (open == u'[' && close == u']')) {
        before->text.chop(1);
        after->text.remove(0, 1);
    }
}

// Removes tokens[k], a field to drop, with the separator that joined it to the kept text:
// the one before it when something precedes, otherwise the one after it.
void dropField(QList<Token>* tokens, qsizetype k) {
    Token* before = k > 0 ? &(*tokens)[k - 1] : nullptr;
    Token* after = k + 1 < tokens->size() ? &(*tokens)[k + 1] : nullptr;
    dropEnclosingBrackets(before, after);
    if (before != nullptr && before->kind == Token::Literal) {
        // Punctuation right after quoted text may belong to it ("'ч'. t"): keep it there.
        const bool afterField = k > 1 && (*tokens)[k - 2].kind == Token::Field;
        chopTrailing(&before->text, afterField ? isSeparator : isSpace);
    } else if (before == nullptr && after != nullptr && after->kind == Token::Literal) {
        removeLeading(&after->text, isSeparator);
    }
    tokens->removeAt(k);
}

void dropUnsupportedFields(QList<Token>* tokens) {
    for (qsizetype k = tokens->size() - 1; k >= 0; --k) {
        if (isDropped(tokens->at(k)))
            dropField(tokens, k);
    }
}

QString translateField(const QString& field, bool twelveHour) {
    if (field.front() == QLatin1Char('A') || field.front() == QLatin1Char('a'))
        return QStringLiteral("tt");
    if (field.front() == QLatin1Char('h') && !twelveHour)
        return QString(field.size(), QLatin1Char('H'));
    return field;
}

QString render(const QList<Token>& tokens) {
    bool twelveHour = false;
    for (const Token& token : tokens)
        twelveHour = twelveHour || isAmPm(token);
    QString format;
    for (const Token& token : tokens) {
        if (token.kind == Token::Field)
            format += translateField(token.text, twelveHour);
        else
            format += QString(token.text).replace(QLatin1Char('%'), QLatin1String("%%"));
    }
    return format.trimmed();
}

} // namespace

QString localeFormatFromQt(const QString& format) {
    QList<Token> tokens = tokenize(format);
    dropUnsupportedFields(&tokens);
    return render(tokens);
}

QString userDateTimeFormat(const QLocale& locale) {
    return localeFormatFromQt(locale.dateFormat(QLocale::ShortFormat)) + QLatin1Char(' ') +
           localeFormatFromQt(locale.timeFormat(QLocale::LongFormat));
}

} // namespace pix
