#pragma once

#include "library/MediaLibrary.h"
#include "library/disk/RegularFile.h"
#include "library/stores/PlayerStores.h"

#include <QXmlStreamReader>
#include <memory>

// What the store readers share: reading a store's file, parsing it again only when it changed,
// and saying why XML could not be read. Internal to the library.
namespace corvane::library {

// The bytes of a store's file; throws LibraryError saying why it cannot be read.
inline QByteArray readStoreFile(const QString& path, FileStamp* stamp) {
    if (fileStamp(path).size > MaxStoreBytes) {
        throw LibraryError("the file is larger than 512 MiB");
    }
    QByteArray bytes;
    if (!readRegularFile(path, MaxStoreBytes, &bytes, stamp)) {
        throw LibraryError(whyUnreadable(path).toStdString());
    }
    return bytes;
}

// One store file parsed into a T, parsed again only when the file's stamp changed.
template <class T> class ParsedFile {
public:
    template <class Parse> std::shared_ptr<const T> get(const QString& path, Parse parse) {
        if (value_ && fileStamp(path) == stamp_) {
            return value_;
        }
        FileStamp read;
        const QByteArray bytes = readStoreFile(path, &read);
        value_ = std::make_shared<const T>(parse(bytes));
        stamp_ = read;
        return value_;
    }

private:
    FileStamp stamp_;
    std::shared_ptr<const T> value_;
};

// Why an XML reader stopped: the file is cut short, or not well-formed at a line.
inline LibraryError xmlError(const QXmlStreamReader& xml) {
    if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
        return LibraryError(
            QStringLiteral("the file is cut short (line %1)").arg(xml.lineNumber()).toStdString());
    }
    return LibraryError(QStringLiteral("not well-formed XML at line %1: %2")
                            .arg(xml.lineNumber())
                            .arg(xml.errorString())
                            .toStdString());
}

// Runs `read`, and turns the LibraryError it throws into one naming the store.
template <class Read> auto namingStore(StoreKind kind, const QString& location, Read&& read) {
    try {
        return read();
    } catch (const LibraryError& error) {
        throw storeError(kind, location, QString::fromStdString(error.what()));
    }
}

} // namespace corvane::library
