#include "output/OutputRenderer.h"

#include "core/Dialogs.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"

void OutputRenderer::replaceFirst(QString& text, const QString& name, const QString& replacement,
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

QString OutputRenderer::RenderOutput(const QString& definition, const Measurement& m, const QString& trz,
                                     Dialogs& dialogs, const QDateTime& now) {
    if (QString::fromLatin1(m.record).trimmed().isEmpty()) {
        return {};
    }
    QString valueText = m.ValueText;
    if (trz.trimmed() == QLatin1String("1")) {
        const qsizetype comma = valueText.indexOf(u',');
        if (comma >= 0) {
            valueText[comma] = u'.';
        }
    }
    QString w = definition;
    replaceFirst(w, LanguageText(QStringLiteral("TextMesswert")), valueText);
    replaceFirst(w, LanguageText(QStringLiteral("TextUhrzeit")),
                 now.time().toString(QStringLiteral("HH:mm:ss")));
    replaceFirst(w, LanguageText(QStringLiteral("TextEinheit")), m.unit);
    // "ID_1}" so that ID 1 is not found at the start of "{ID_10}".
    replaceFirst(w, LanguageText(QStringLiteral("TextID_1")), m.ids[1], QStringLiteral("}"));
    for (int n = 2; n <= 10; ++n) {
        replaceFirst(w, LanguageText(QStringLiteral("TextID_") + QString::number(n)), m.ids[n]);
    }
    replaceFirst(w, LanguageText(QStringLiteral("TextDatum")), LocaleFormats::dateText(now.date()));

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
        const QString prompt = LanguageText(QStringLiteral("TextFreierTextTeil1")) + label +
                               LanguageText(QStringLiteral("TextFreierTextTeil2"));
        const QString answer = dialogs.inputBox(prompt, QStringLiteral("Parameter"), {}).value_or(QString());
        w = w.left(std::max<qsizetype>(0, question - 1)) + answer + w.mid(close + 1);
        from = 0;
    }
    return w;
}
