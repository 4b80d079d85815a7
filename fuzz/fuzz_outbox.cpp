// The outbox journal: read up to its last whole record, and what was read written again and read
// back the same; then loaded as a journal left by an earlier run, with its damaged rest set aside.
#include "FuzzInput.h"
#include "base/delivery/Outbox.h"

#include <QDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = FuzzInput::bytes(data, size);
    const OutboxJournal::Contents contents = OutboxJournal::parse(bytes);
    if (contents.wholeBytes < 0 || contents.wholeBytes > bytes.size()) {
        std::abort();
    }
    if (contents.target) {
        const QByteArray again = OutboxJournal::encode(*contents.target, contents.waiting);
        const OutboxJournal::Contents reread = OutboxJournal::parse(again);
        if (reread.wholeBytes != again.size() || reread.target != contents.target ||
            reread.waiting.size() != contents.waiting.size()) {
            std::abort();
        }
        for (std::size_t k = 0; k < reread.waiting.size(); ++k) {
            if (reread.waiting[k].text != contents.waiting[k].text ||
                reread.waiting[k].sequence != contents.waiting[k].sequence) {
                std::abort();
            }
        }
    }
    // One folder per process, emptied for every input.
    const QString folder = FuzzInput::file({}, QStringLiteral("outbox")) + QStringLiteral(".d");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile journal(folder + QStringLiteral("/j.journal"));
    if (!journal.open(QIODevice::WriteOnly) || journal.write(bytes) != bytes.size()) {
        return 0;
    }
    journal.close();
    Outbox box(folder, 100);
    box.load();
    if (box.waitingCount() != static_cast<qsizetype>(contents.target ? contents.waiting.size() : 0)) {
        std::abort();
    }
    return 0;
}
