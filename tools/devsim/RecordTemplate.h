#pragma once

#include "Reading.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The layout of the records the balance sends, written as a template of literal bytes and
// fixed-width fields. Every field has a fixed width, so every record has the same length.
class RecordTemplate {
public:
    // Returns nothing and sets error when the template cannot be used.
    static std::optional<RecordTemplate> parse(const QString& text, int defaultDecimals,
                                               const QByteArray& unit, bool decimalComma, QString* error);

    QByteArray render(const Reading& reading) const;

    qsizetype length() const { return length_; }
    // The last byte of every record, when the template ends with a literal.
    std::optional<char> endCharacter() const;
    // Whether every value field can show value without running over.
    bool fits(double value) const;
    // Where the fields stand, 1-based, as the receiving program's record definition needs them.
    QString layout() const;

private:
    enum class Kind { Literal, Sign, State, Sequence, Value, Unit };
    struct Field {
        Kind kind = Kind::Literal;
        QByteArray literal;
        int width = 0;
        int decimals = 0;
        qsizetype position = 0; // 1-based
    };

    RecordTemplate() = default;
    static std::optional<Field> parseField(const QString& fieldText, int defaultDecimals,
                                           const QByteArray& unit, QString* error);
    QByteArray valueText(const Field& field, double value) const;
    bool shownNegative(double value) const;

    QList<Field> fields_;
    qsizetype length_ = 0;
    QByteArray unit_;
    bool decimalComma_ = false;
    bool hasSign_ = false;
    int signDecimals_ = 9;
};
