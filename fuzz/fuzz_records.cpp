// Records as the device sends them, cut with a layout that the input also gives: a configuration
// (INI text) up to the first empty line, then the received bytes.
#include "FuzzInput.h"
#include "base/config/ConfigurationFile.h"
#include "base/config/Settings.h"
#include "base/files/IniDocument.h"
#include "base/records/RecordCutter.h"
#include "base/records/RecordReader.h"
#include "base/records/RecordValues.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = FuzzInput::bytes(data, size);
    const qsizetype split = input.indexOf("\n\n");
    const IniDocument layout = IniDocument::fromBytes(split < 0 ? QByteArray() : input.left(split));
    Settings settings;
    ConfigurationFile::read(layout, IniDocument(), settings);
    QByteArray buffer = split < 0 ? input : input.mid(split + 2);
    QByteArray tail;
    if (RecordCutter::cut(buffer, settings.recordLength.valueOr(0), settings.recordEnd.valueOr({}), &tail)) {
        const Reading reading = RecordReader::fieldsOf(buffer, settings);
        (void)RecordValues::displayOf(reading, settings);
        const RecordValues::OutputValue output = RecordValues::forOutput(buffer, settings);
        (void)RecordValues::inDisplayMode(output, settings, reading.value, 1.5);
    }
    return 0;
}
