#include "base/delivery/OutputTemplate.h"

#include "base/interfaces/Dialogs.h"
#include "base/texts/LanguageTable.h"
#include "base/texts/LocaleFormats.h"

#include <algorithm>

namespace OutputTemplate {

void replaceFirst(QString& text, const QString& name, const QString& replacement,
                  const QString& searchSuffix) {
    if (name.isEmpty()) {
        return;
    }
    const qsizetype index = text.indexOf(name + searchSuffix);
    if (index < 0) {
        return;
    }
    // The brace before the name and the one after it go with it; a name at the very start
    // has no character before it to lose.
    const qsizetype start = std::max<qsizetype>(0, index - 1);
    const qsizetype end = std::min<qsizetype>(text.size(), index + name.size() + 1);
    text = text.left(start) + replacement + text.mid(end);
}

QString render(const QString& outputTemplate, const Measurement& m, bool decimalPoint, Dialogs& dialogs,
               const QDateTime& now) {
    if (QString::fromLatin1(m.record).trimmed().isEmpty()) {
        return {};
    }
    QString valueText = m.valueText;
    if (decimalPoint) {
        const qsizetype comma = valueText.indexOf(u',');
        if (comma >= 0) {
            valueText[comma] = u'.';
        }
    }
    QString w = outputTemplate;
    replaceFirst(w, languageText(TextKey::ValueToken), valueText);
    // The date and time are formatted only for a template that shows them: formatting costs more
    // than all the rest of a value.
    const QString timeToken = languageText(TextKey::TimeToken);
    if (!timeToken.isEmpty() && w.contains(timeToken)) {
        replaceFirst(w, timeToken, now.time().toString(QStringLiteral("HH:mm:ss")));
    }
    replaceFirst(w, languageText(TextKey::UnitToken), m.unit);
    // "ID_1}" so that ID 1 is not found at the start of "{ID_10}".
    replaceFirst(w, languageText(TextKey::IdToken1), m.ids[1], QStringLiteral("}"));
    for (int n = 2; n <= 10; ++n) {
        replaceFirst(w, languageText(idTokenKey(n)), m.ids[static_cast<std::size_t>(n)]);
    }
    const QString dateToken = languageText(TextKey::DateToken);
    if (!dateToken.isEmpty() && w.contains(dateToken)) {
        replaceFirst(w, dateToken, LocaleFormats::dateText(now.date()));
    }

    // Prompts: each "?" up to the next "}" is asked for; a "?" without a "}" after it stays.
    qsizetype from = 0;
    while (true) {
        const qsizetype question = w.indexOf(u'?', from);
        if (question < 0) {
            break;
        }
        const qsizetype close = w.indexOf(u'}', question + 1);
        if (close < 0) {
            from = question + 1;
            continue;
        }
        const QString label = w.mid(question + 1, close - question - 1);
        const QString prompt =
            languageText(TextKey::PromptBefore) + label + languageText(TextKey::PromptAfter);
        const QString answer = dialogs.inputBox(prompt, QStringLiteral("Parameter"), {}).value_or(QString());
        w = w.left(std::max<qsizetype>(0, question - 1)) + answer + w.mid(close + 1);
        from = 0;
    }
    return w;
}

QStringList fields(const QString& outputText) {
    QStringList parts = outputText.split(FieldSeparator);
    parts.removeLast();
    return parts;
}

QString bracesFromAngles(const QString& typed) {
    QString stored = typed;
    stored.replace(u'<', u'{');
    stored.replace(u'>', u'}');
    return stored;
}

} // namespace OutputTemplate
