#pragma once

#include <QString>

#include <optional>
#include <utility>

// A setting's value together with the text it was read from. The text goes back into the file
// unchanged, so that a configuration is written exactly as it was read, even where the text
// is no valid value; the value is what the program works with, nullopt for such a text.
template <typename T> class ConfigValue {
public:
    ConfigValue() = default;
    ConfigValue(QString text, std::optional<T> value) : m_text(std::move(text)), m_value(std::move(value)) {}

    const QString& text() const { return m_text; }
    const std::optional<T>& value() const { return m_value; }
    T valueOr(T fallback) const { return m_value.value_or(std::move(fallback)); }
    bool is(const T& value) const { return m_value && *m_value == value; }

    bool operator==(const ConfigValue&) const = default;

private:
    QString m_text;
    std::optional<T> m_value;
};
