#include "base/delivery/Workbook.h"

#include "base/delivery/AppendableDeflate.h"
#include "base/delivery/BackgroundWork.h"
#include "base/delivery/WorksheetXml.h"
#include "base/delivery/ZipPackage.h"
#include "base/files/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <pugixml.hpp>

#include <cmath>
#include <cstring>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace {

struct Relationship {
    QString type;
    QString target;
    bool external = false;
};

QString localName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return QString::fromUtf8(colon ? colon + 1 : name);
}

pugi::xml_node childElement(pugi::xml_node parent, const char* name) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && localName(child.name()) == QLatin1String(name)) {
            return child;
        }
    }
    return {};
}

bool parse(pugi::xml_document& document, const QByteArray& xml) {
    return bool(document.load_buffer(xml.constData(), std::size_t(xml.size()), pugi::parse_default,
                                     pugi::encoding_auto));
}

QString folderOf(const QString& part) {
    return part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
}

// Relationship parts sit in a _rels folder beside their source part.
QString relationshipsPartOf(const QString& part) {
    const QString folder = folderOf(part);
    return folder + QStringLiteral("_rels/") + part.mid(folder.size()) + QStringLiteral(".rels");
}

// A relationship target is a URI: absolute from the package root, or relative to the folder of
// the part that holds the relationship.
QString resolveTarget(const QString& sourceFolder, const QString& target) {
    QString path = QUrl::fromPercentEncoding(target.toUtf8()).replace(QLatin1Char('\\'), QLatin1Char('/'));
    path = path.startsWith(QLatin1Char('/')) ? path.mid(1) : sourceFolder + path;
    QStringList segments;
    for (const QString& segment : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String("..")) {
            if (!segments.isEmpty()) {
                segments.removeLast();
            }
        } else if (segment != QLatin1String(".")) {
            segments.append(segment);
        }
    }
    return segments.join(QLatin1Char('/'));
}

bool typeIs(const QString& type, const char* kind) {
    return type.endsWith(QLatin1Char('/') + QLatin1String(kind));
}

// A part rewritten after a change of its elements, with its XML declaration.
std::optional<QByteArray> withoutElements(const QByteArray& xml, const char* name,
                                          const std::function<bool(pugi::xml_node)>& goes) {
    pugi::xml_document document;
    if (!document.load_buffer(xml.constData(), std::size_t(xml.size()),
                              pugi::parse_default | pugi::parse_declaration, pugi::encoding_auto)) {
        return std::nullopt;
    }
    std::vector<pugi::xml_node> gone;
    for (pugi::xml_node node = document.document_element().first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element && localName(node.name()) == QLatin1String(name) &&
            goes(node)) {
            gone.push_back(node);
        }
    }
    for (const pugi::xml_node node : gone) {
        document.document_element().remove_child(node);
    }
    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return QByteArray::fromStdString(out.str());
}

// What tells one version of a file from another without reading it.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::optional<FileStamp> stampOf(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return std::nullopt;
    }
    return FileStamp{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

} // namespace

struct Workbook::Private {
    QString path;
    QString sheetName;
    ZipPackage package;
    QString sheetPart;
    std::uint64_t sheetIndex = 0;
    WorksheetXml sheet;
    bool isOpen = false;
    QString detail;
    // The sheet as last saved, deflated in pieces so that rows added after it cost only their
    // own compression.
    AppendableDeflate deflate;
    // The file as this object last wrote it; empty when it has to be read again.
    std::optional<FileStamp> savedStamp;
    // Compresses the sheet as read, into deflate, while the rows are looked through. Last, so
    // that it ends before what it works on goes.
    std::optional<std::jthread> compressing;

    // A first append then finds the sheet compressed but for its own rows.
    void startCompressing() {
        const std::optional<WorksheetXml::Pieces> pieces = sheet.sourcePieces();
        if (!pieces) {
            return;
        }
        compressing = startInBackground(
            [this, text = *pieces] { deflate.start(text.head, text.piece, text.body, text.tail); });
    }

    // Whether the file is the one this object last saved: the same stamp and the same bytes. The
    // bytes are compared as well because a change within the file system's clock granularity
    // can keep the stamp.
    bool unchangedSinceSave(const QString& filePath, const QString& sheet) const {
        if (!isOpen || !savedStamp || filePath != path || sheet != sheetName ||
            stampOf(filePath) != savedStamp) {
            return false;
        }
        QFile file(filePath);
        return file.open(QIODevice::ReadOnly) && file.size() == package.bytes().size() &&
               file.readAll() == package.bytes();
    }

    // The new package; the sheet's rows added since the last save are compressed on their own
    // when nothing else changed.
    std::optional<QByteArray> build(QString* reason, bool* corrupt) {
        compressing.reset();
        if (deflate.isStarted()) {
            if (const std::optional<WorksheetXml::Appended> appended = sheet.appended()) {
                if (!deflate.append(appended->reference, appended->rows)) {
                    *reason = QStringLiteral("zlib cannot compress the sheet");
                    return std::nullopt;
                }
                return package.withDeflatedEntry(sheetIndex, deflate.deflated(), reason);
            }
        }
        deflate.reset();
        std::optional<WorksheetXml::Cuts> cuts;
        const QByteArray xml = sheet.save(&cuts);
        if (sheet.replacedFormula()) {
            ZipPackage::Changes changes{{sheetIndex, xml}};
            if (!dropCalculationChain(changes)) {
                *corrupt = true;
                return std::nullopt;
            }
            return package.withChanges(changes, reason);
        }
        if (cuts) {
            const QByteArrayView text(xml);
            if (deflate.start(text.first(cuts->referenceStart),
                              text.sliced(cuts->referenceStart, cuts->referenceEnd - cuts->referenceStart),
                              text.sliced(cuts->referenceEnd, cuts->rowsEnd - cuts->referenceEnd),
                              text.sliced(cuts->rowsEnd))) {
                return package.withDeflatedEntry(sheetIndex, deflate.deflated(), reason);
            }
        }
        return package.withChanges({{sheetIndex, xml}}, reason);
    }

    std::optional<QByteArray> readPart(const QString& part) const {
        const std::optional<std::uint64_t> index = package.find(part);
        return index ? package.read(*index) : std::nullopt;
    }

    // Relationships by id; nullopt when the part is missing or malformed.
    std::optional<QHash<QString, Relationship>> relationshipsOf(const QString& part) const {
        const std::optional<QByteArray> xml = readPart(relationshipsPartOf(part));
        pugi::xml_document document;
        if (!xml || !parse(document, *xml)) {
            return std::nullopt;
        }
        QHash<QString, Relationship> relationships;
        for (pugi::xml_node node = document.document_element().first_child(); node;
             node = node.next_sibling()) {
            if (node.type() == pugi::node_element &&
                localName(node.name()) == QLatin1String("Relationship")) {
                relationships.insert(
                    QString::fromUtf8(node.attribute("Id").value()),
                    {QString::fromUtf8(node.attribute("Type").value()),
                     QString::fromUtf8(node.attribute("Target").value()),
                     QLatin1String(node.attribute("TargetMode").value()) == QLatin1String("External")});
            }
        }
        return relationships;
    }

    // The main part named by the package relationships; packages without them keep it in the
    // usual place.
    QString workbookPart() const {
        if (const auto relationships = relationshipsOf(QString())) {
            for (const Relationship& relationship : *relationships) {
                if (typeIs(relationship.type, "officeDocument") && !relationship.external) {
                    return resolveTarget(QString(), relationship.target);
                }
            }
        }
        return QStringLiteral("xl/workbook.xml");
    }

    // A formula overwritten keeps its entry in the calculation chain, which the spreadsheet
    // program then reports as damage. The chain is only a record of the order of calculation: it
    // goes, with its relationship and content type, and the program builds it anew.
    bool dropCalculationChain(ZipPackage::Changes& changes) const {
        const QString workbook = workbookPart();
        const QString relationshipsPart = relationshipsPartOf(workbook);
        const std::optional<std::uint64_t> relationshipsIndex = package.find(relationshipsPart);
        const std::optional<QByteArray> relationships = readPart(relationshipsPart);
        if (!relationshipsIndex || !relationships) {
            return true;
        }
        QString chain;
        const auto isChain = [&](pugi::xml_node node) {
            if (!typeIs(QString::fromUtf8(node.attribute("Type").value()), "calcChain")) {
                return false;
            }
            chain = resolveTarget(folderOf(workbook), QString::fromUtf8(node.attribute("Target").value()));
            return true;
        };
        std::optional<QByteArray> rewritten = withoutElements(*relationships, "Relationship", isChain);
        if (!rewritten) {
            return false;
        }
        if (chain.isEmpty()) {
            return true;
        }
        changes[*relationshipsIndex] = std::move(rewritten);
        if (const std::optional<std::uint64_t> chainIndex = package.find(chain)) {
            changes[*chainIndex] = std::nullopt;
        }
        const QString contentTypesPart = QStringLiteral("[Content_Types].xml");
        const std::optional<std::uint64_t> typesIndex = package.find(contentTypesPart);
        const std::optional<QByteArray> types = readPart(contentTypesPart);
        if (typesIndex && types) {
            const QString partName = u'/' + chain;
            rewritten = withoutElements(*types, "Override", [&partName](pugi::xml_node node) {
                return QString::fromUtf8(node.attribute("PartName").value())
                           .compare(partName, Qt::CaseInsensitive) == 0;
            });
            if (!rewritten) {
                return false;
            }
            changes[*typesIndex] = std::move(rewritten);
        }
        return true;
    }
};

Workbook::Workbook() : d(std::make_unique<Private>()) {}
Workbook::~Workbook() = default;

Workbook::Error Workbook::fail(Error error, const QString& detail) {
    d->detail = detail;
    return error;
}

QString Workbook::errorDetail() const {
    return d->detail;
}

Workbook::Error Workbook::open(const QString& path, const QString& sheetName) {
    d = std::make_unique<Private>();
    d->path = path;
    d->sheetName = sheetName;
    const QFileInfo info(path);
    if (!info.exists()) {
        return fail(Error::FileMissing, QStringLiteral("no file at %1").arg(path));
    }
    if (info.isDir()) {
        return fail(Error::ReadFailed, QStringLiteral("%1 is a folder").arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(Error::ReadFailed, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return fail(Error::ReadFailed, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    file.close();
    if (bytes.isEmpty()) {
        return fail(Error::NotAZip, QStringLiteral("%1 is empty").arg(path));
    }
    switch (d->package.open(bytes)) {
    case ZipPackage::Status::Ok:
        break;
    case ZipPackage::Status::NotAZip:
        return fail(Error::NotAZip, QStringLiteral("%1 is not a zip archive").arg(path));
    case ZipPackage::Status::Corrupt:
        return fail(Error::CorruptPackage,
                    QStringLiteral("damaged zip archive: %1").arg(d->package.lastError()));
    }

    const QString workbookPart = d->workbookPart();
    const std::optional<QByteArray> workbookXml = d->readPart(workbookPart);
    pugi::xml_document workbook;
    if (!workbookXml || !parse(workbook, *workbookXml) ||
        localName(workbook.document_element().name()) != QLatin1String("workbook")) {
        return fail(Error::CorruptPackage, QStringLiteral("no readable workbook part %1").arg(workbookPart));
    }

    // The sheet's relationship id is the attribute "id" in the relationships namespace, whatever
    // its prefix; "sheetId" has no prefix.
    auto relationshipId = [](pugi::xml_node sheet) {
        for (pugi::xml_attribute attribute : sheet.attributes()) {
            if (std::strchr(attribute.name(), ':') && localName(attribute.name()) == QLatin1String("id")) {
                return QString::fromUtf8(attribute.value());
            }
        }
        return QString();
    };
    pugi::xml_node exact;
    pugi::xml_node folded;
    for (pugi::xml_node sheet = childElement(workbook.document_element(), "sheets").first_child();
         sheet && !exact; sheet = sheet.next_sibling()) {
        if (sheet.type() != pugi::node_element || localName(sheet.name()) != QLatin1String("sheet")) {
            continue;
        }
        const QString name = QString::fromUtf8(sheet.attribute("name").value());
        if (name == sheetName) {
            exact = sheet;
        } else if (!folded && name.compare(sheetName, Qt::CaseInsensitive) == 0) {
            folded = sheet;
        }
    }
    if (!exact && !folded) {
        return fail(Error::SheetMissing, QStringLiteral("no sheet named %1").arg(sheetName));
    }
    const QString sheetId = relationshipId(exact ? exact : folded);

    const std::optional<QHash<QString, Relationship>> relationships = d->relationshipsOf(workbookPart);
    if (!relationships) {
        return fail(Error::CorruptPackage,
                    QStringLiteral("no readable relationships for %1").arg(workbookPart));
    }
    const auto sheetRelationship = relationships->constFind(sheetId);
    if (sheetRelationship == relationships->constEnd() || sheetRelationship->external) {
        return fail(Error::CorruptPackage, QStringLiteral("sheet %1 has no part").arg(sheetName));
    }
    // A chart sheet of that name is not a worksheet to write cells into.
    if (!typeIs(sheetRelationship->type, "worksheet")) {
        return fail(Error::SheetMissing, QStringLiteral("%1 is not a worksheet").arg(sheetName));
    }
    const QString sheetPart = resolveTarget(folderOf(workbookPart), sheetRelationship->target);
    const std::optional<std::uint64_t> sheetIndex = d->package.find(sheetPart);
    if (!sheetIndex) {
        return fail(Error::CorruptPackage, QStringLiteral("sheet part %1 is missing").arg(sheetPart));
    }

    QString sharedStringsPart;
    for (const Relationship& relationship : *relationships) {
        if (typeIs(relationship.type, "sharedStrings") && !relationship.external) {
            sharedStringsPart = resolveTarget(folderOf(workbookPart), relationship.target);
            break;
        }
    }
    // The shared strings are read on a second thread while the sheet is inflated: each takes a
    // few milliseconds in a large workbook. The thread reads its own copy of the archive, as
    // libzip asks.
    std::optional<std::vector<bool>> sharedStringBlank = std::vector<bool>();
    const auto readSharedStrings = [&sharedStringBlank, &sharedStringsPart, bytes = d->package.bytes()] {
        ZipPackage package;
        const std::optional<std::uint64_t> index =
            package.open(bytes) == ZipPackage::Status::Ok ? package.find(sharedStringsPart) : std::nullopt;
        const std::optional<QByteArray> xml = index ? package.read(*index) : std::nullopt;
        sharedStringBlank = xml ? WorksheetXml::sharedStringBlankness(*xml) : std::nullopt;
    };
    std::optional<std::jthread> sharedStringsReader;
    if (!sharedStringsPart.isEmpty()) {
        sharedStringsReader = startInBackground(readSharedStrings);
    }
    const std::optional<QByteArray> sheetXml = d->package.read(*sheetIndex);
    if (!sheetXml) {
        return fail(Error::CorruptPackage,
                    QStringLiteral("sheet part %1 unreadable: %2").arg(sheetPart, d->package.lastError()));
    }
    const QString malformed = QStringLiteral("sheet part %1 is malformed").arg(sheetPart);
    if (!d->sheet.parse(*sheetXml)) {
        return fail(Error::CorruptPackage, malformed);
    }
    d->startCompressing();
    sharedStringsReader.reset();
    if (!sharedStringBlank) {
        return fail(Error::CorruptPackage,
                    QStringLiteral("shared strings %1 unreadable").arg(sharedStringsPart));
    }
    if (!d->sheet.findFilledRows(*sharedStringBlank)) {
        return fail(Error::CorruptPackage, malformed);
    }
    d->sheetPart = sheetPart;
    d->sheetIndex = *sheetIndex;
    d->isOpen = true;
    return Error::None;
}

int Workbook::firstEmptyRow() const {
    return d->isOpen ? d->sheet.firstEmptyRow() : 0;
}

Workbook::Error Workbook::writeRow(int row, const QStringList& fields, const QLocale& locale) {
    if (!d->isOpen) {
        return fail(Error::WriteFailed, QStringLiteral("workbook not open"));
    }
    qsizetype lastField = fields.size() - 1;
    while (lastField >= 0 && fields.at(lastField).isEmpty()) {
        --lastField;
    }
    if (row < 1 || row > WorksheetXml::MaxRow || lastField >= WorksheetXml::MaxColumn) {
        return fail(Error::WriteFailed,
                    QStringLiteral("row %1 with %2 fields is outside the sheet").arg(row).arg(lastField + 1));
    }
    for (qsizetype at = 0; at <= lastField; ++at) {
        // A field of nothing but characters a workbook cannot hold writes nothing, like an
        // empty one.
        const QString field = WorksheetXml::storableText(fields.at(at));
        if (field.isEmpty()) {
            continue;
        }
        const int column = int(at) + 1;
        if (const std::optional<double> number = toNumber(field, locale)) {
            d->sheet.setNumber(row, column, *number);
        } else {
            d->sheet.setText(row, column, field);
        }
    }
    return Error::None;
}

Workbook::Error Workbook::save() {
    if (!d->isOpen) {
        return fail(Error::WriteFailed, QStringLiteral("workbook not open"));
    }
    if (!d->sheet.isModified()) {
        return Error::None;
    }
    // Until this save succeeds, the state no longer matches the file.
    d->savedStamp.reset();
    QString reason;
    bool corrupt = false;
    const std::optional<QByteArray> package = d->build(&reason, &corrupt);
    if (!package) {
        d->deflate.reset();
        if (corrupt) {
            return fail(Error::CorruptPackage, QStringLiteral("the workbook's relationships are malformed"));
        }
        return fail(Error::WriteFailed, QStringLiteral("cannot build the new workbook: %1").arg(reason));
    }
    if (!AtomicFile::replace(d->path, *package, &reason)) {
        d->deflate.reset();
        return fail(Error::WriteFailed, QStringLiteral("cannot write %1: %2").arg(d->path, reason));
    }
    d->sheet.markSaved();
    // The package written is the one the next save starts from; the entries may have moved
    // when the calculation chain went.
    const std::optional<std::uint64_t> index =
        d->package.open(*package) == ZipPackage::Status::Ok ? d->package.find(d->sheetPart) : std::nullopt;
    if (!index) {
        // The row is in the file; only the next write has to read it first.
        d->isOpen = false;
        return Error::None;
    }
    d->sheetIndex = *index;
    d->savedStamp = stampOf(d->path);
    return Error::None;
}

Workbook::Result Workbook::appendToOpen(const QList<QStringList>& rows, const QLocale& locale) {
    int row = 0;
    for (const QStringList& fields : rows) {
        row = firstEmptyRow();
        if (row == 0) {
            d->isOpen = false;
            return Result{Error::WriteFailed, 0, QStringLiteral("every row of the sheet is taken")};
        }
        if (const Error error = writeRow(row, fields, locale); error != Error::None) {
            // The rows written so far must not go in with a later save.
            d->isOpen = false;
            d->savedStamp.reset();
            return Result{error, 0, errorDetail()};
        }
    }
    if (const Error error = save(); error != Error::None) {
        return Result{error, 0, errorDetail()};
    }
    return Result{Error::None, row, {}};
}

Workbook::Result Workbook::appendRow(const QString& path, const QString& sheetName, const QStringList& fields,
                                     const QLocale& locale) {
    Workbook workbook;
    if (const Error error = workbook.open(path, sheetName); error != Error::None) {
        return Result{error, 0, workbook.errorDetail()};
    }
    return workbook.appendToOpen({fields}, locale);
}

Workbook::Result Workbook::append(const QString& path, const QString& sheetName, const QStringList& fields,
                                  const QLocale& locale) {
    return append(path, sheetName, QList<QStringList>{fields}, locale);
}

Workbook::Result Workbook::append(const QString& path, const QString& sheetName,
                                  const QList<QStringList>& rows, const QLocale& locale) {
    if (!d->unchangedSinceSave(path, sheetName)) {
        if (const Error error = open(path, sheetName); error != Error::None) {
            return Result{error, 0, errorDetail()};
        }
    }
    return appendToOpen(rows, locale);
}

std::optional<double> Workbook::toNumber(const QString& text, const QLocale& locale) {
    // Group separators are refused: a balance that writes "1.234" means a decimal point far
    // more often than a thousands separator.
    for (QLocale reader : {locale, QLocale::c()}) {
        reader.setNumberOptions(reader.numberOptions() | QLocale::RejectGroupSeparator);
        bool ok = false;
        const double value = reader.toDouble(text, &ok);
        if (ok && std::isfinite(value)) {
            return value;
        }
    }
    return std::nullopt;
}
