// The output template: rendered for a measurement, cut into fields, typed as keys.
#include "FuzzInput.h"
#include "base/delivery/KeyTokenizer.h"
#include "base/delivery/OutputTemplate.h"
#include "base/interfaces/Dialogs.h"

namespace {

// Every prompt is answered with the same text; nothing else is asked.
class Answers : public Dialogs {
public:
    void message(const QString&) override {}
    Answer askYesNo(const QString&) override { return Answer::No; }
    Answer askYesNoCancel(const QString&) override { return Answer::Cancel; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override {
        return QStringLiteral("7,5{TAB}");
    }
    std::optional<QString> openFile(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    void showLanguageWindow() override {}
    void showPortSettings() override {}
    void beep() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString outputTemplate = QString::fromUtf8(FuzzInput::bytes(data, size));
    Measurement measurement;
    measurement.record = "ST,GS,+   012.34 g  \r\n";
    measurement.value = 12.34;
    measurement.sign = QStringLiteral("+");
    measurement.unit = QStringLiteral("g");
    measurement.valueText = QStringLiteral("12.34");
    measurement.ids[1] = QStringLiteral("A-17");
    Answers answers;
    const QString rendered =
        OutputTemplate::render(OutputTemplate::bracesFromAngles(outputTemplate), measurement, size % 2 == 0,
                               answers, QDateTime(QDate(2026, 12, 6), QTime(8, 0)));
    (void)OutputTemplate::fields(rendered);
    (void)KeyTokenizer::keyTokensOf(rendered);
    return 0;
}
