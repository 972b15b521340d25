#include "library/SongFile.h"

#include "library/Rating.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <aifffile.h>
#include <apefile.h>
#include <asffile.h>
#include <fileref.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mpcfile.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <popularimeterframe.h>
#include <speexfile.h>
#include <tfilestream.h>
#include <tpropertymap.h>
#include <trueaudiofile.h>
#include <unistd.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <wavpackfile.h>

namespace corvane::library {
namespace {

using namespace TagLib;

template <class Type> File* openAs(IOStream* stream) {
    return new Type(stream);
}

// The formats that may hold an ID3v2 tag read it with TagLib's frame factory.
template <class Type> File* openWithId3v2As(IOStream* stream) {
    return new Type(stream, ID3v2::FrameFactory::instance());
}

// The TagLib class for each extension. Content decides for the others (and when the extension
// lies).
struct TypeRow {
    const char* extension;
    File* (*open)(IOStream* stream);
};

constexpr TypeRow Types[] = {
    {"mp3", openWithId3v2As<MPEG::File>},
    {"mp2", openWithId3v2As<MPEG::File>},
    {"flac", openWithId3v2As<FLAC::File>},
    {"ogg", openAs<Ogg::Vorbis::File>},
    {"oga", openAs<Ogg::FLAC::File>},
    {"opus", openAs<Ogg::Opus::File>},
    {"spx", openAs<Ogg::Speex::File>},
    {"m4a", openAs<MP4::File>},
    {"m4b", openAs<MP4::File>},
    {"mp4", openAs<MP4::File>},
    {"wma", openAs<ASF::File>},
    {"asf", openAs<ASF::File>},
    {"wav", openAs<RIFF::WAV::File>},
    {"aif", openAs<RIFF::AIFF::File>},
    {"aiff", openAs<RIFF::AIFF::File>},
    {"ape", openAs<APE::File>},
    {"mpc", openAs<MPC::File>},
    {"wv", openAs<WavPack::File>},
    {"tta", openAs<TrueAudio::File>},
};

QString toQString(const String& text) {
    return QString::fromStdWString(text.toWString());
}

QString joined(const PropertyMap& properties, const char* key) {
    const auto found = properties.find(key);
    if (found == properties.end() || found->second.isEmpty()) {
        return {};
    }
    return toQString(found->second.toString("; ")).trimmed();
}

// "2019-05-03", "2019", "03/05/2019": the year is the first run of four digits.
QString yearOf(const QString& date) {
    const QRegularExpression fourDigits(QStringLiteral("(?<![0-9])([0-9]{4})(?![0-9])"));
    const QString year = fourDigits.match(date).captured(1);
    return year == u"0000" ? QString() : year;
}

const ID3v2::Tag* id3v2TagOf(File* file) {
    if (auto* mpeg = dynamic_cast<MPEG::File*>(file)) {
        return mpeg->hasID3v2Tag() ? mpeg->ID3v2Tag() : nullptr;
    }
    if (auto* flac = dynamic_cast<FLAC::File*>(file)) {
        return flac->hasID3v2Tag() ? flac->ID3v2Tag() : nullptr;
    }
    if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file)) {
        return wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr;
    }
    if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file)) {
        return aiff->hasID3v2Tag() ? aiff->tag() : nullptr;
    }
    if (auto* tta = dynamic_cast<TrueAudio::File*>(file)) {
        return tta->hasID3v2Tag() ? tta->ID3v2Tag() : nullptr;
    }
    return nullptr;
}

// The Windows Media Player frame first, else the first other frame that holds a rating.
// -1: no rating there.
int popularimeterRating(const ID3v2::Tag& tag) {
    int other = -1;
    for (const ID3v2::Frame* frame : tag.frameList("POPM")) {
        const auto* popm = dynamic_cast<const ID3v2::PopularimeterFrame*>(frame);
        if (!popm) {
            continue;
        }
        if (popm->email() == "Windows Media Player 9 Series") {
            return ratingFromPopularimeter(popm->rating());
        }
        if (other < 0 && popm->rating() > 0) {
            other = popm->rating();
        }
    }
    return other < 0 ? -1 : ratingFromPopularimeter(other);
}

int asfRating(const ASF::Tag& tag) {
    const ASF::AttributeListMap& attributes = tag.attributeListMap();
    const auto found = attributes.find("WM/SharedUserRating");
    if (found == attributes.end() || found->second.isEmpty()) {
        return -1;
    }
    const ASF::Attribute& value = found->second.front();
    switch (value.type()) {
    case ASF::Attribute::DWordType:
        return ratingFromWindowsMedia(value.toUInt());
    case ASF::Attribute::QWordType:
        return ratingFromWindowsMedia(static_cast<long long>(value.toULongLong()));
    case ASF::Attribute::WordType:
        return ratingFromWindowsMedia(value.toUShort());
    case ASF::Attribute::UnicodeType:
        return ratingFromWindowsMedia(toQString(value.toString()).trimmed().toLongLong());
    default:
        return -1;
    }
}

// Freeform "----:com.apple.iTunes:FMPS_Rating" (a fraction), "----:...:RATING" (see
// ratingFromText) and the "rate" atom (a percentage).
int mp4Rating(const MP4::Tag& tag) {
    for (const auto& [key, item] : tag.itemMap()) {
        const QString name = toQString(key);
        const QString leaf = name.mid(name.lastIndexOf(u':') + 1);
        const StringList texts = item.toStringList();
        const QString text =
            texts.isEmpty() ? QString::number(item.toInt()) : toQString(texts.front());
        if (leaf.compare(u"FMPS_Rating", Qt::CaseInsensitive) == 0) {
            return ratingFromFraction(text.toDouble());
        }
        if (name.startsWith(u"----") && leaf.compare(u"RATING", Qt::CaseInsensitive) == 0) {
            return ratingFromText(text);
        }
        if (name == u"rate") {
            return ratingFromPercent(text.toDouble());
        }
    }
    return -1;
}

int ratingOf(File* file, const PropertyMap& properties) {
    int rating = -1;
    if (const ID3v2::Tag* id3v2 = id3v2TagOf(file)) {
        rating = popularimeterRating(*id3v2);
    }
    if (auto* asf = dynamic_cast<ASF::File*>(file); asf && rating < 0 && asf->tag()) {
        rating = asfRating(*asf->tag());
    }
    if (auto* mp4 = dynamic_cast<MP4::File*>(file); mp4 && rating < 0 && mp4->tag()) {
        rating = mp4Rating(*mp4->tag());
    }
    // Xiph comments (and APE, ID3v2 TXXX) hold FMPS_RATING and RATING as text.
    if (rating < 0 && properties.contains("FMPS_RATING")) {
        rating = ratingFromFraction(joined(properties, "FMPS_RATING").toDouble());
    }
    if (rating < 0 && properties.contains("RATING")) {
        rating = ratingFromText(joined(properties, "RATING"));
    }
    return std::max(rating, 0);
}

// TagLib opens some junk as a valid file (any bytes after an MPEG frame sync, the first bytes
// of a FLAC): a file with neither a length nor a tag is taken for corrupt.
void describe(File& file, SongInfo& info) {
    const AudioProperties* audio = file.audioProperties();
    // A broken file can make TagLib compute a negative length: no length is known then.
    const int milliseconds = audio ? std::max(audio->lengthInMilliseconds(), 0) : 0;
    if (milliseconds <= 0 && (!file.tag() || file.tag()->isEmpty())) {
        return;
    }
    info.readable = true;
    info.seconds = milliseconds / 1000.0;
    const PropertyMap properties = file.properties();
    info.title = joined(properties, "TITLE");
    info.artist = joined(properties, "ARTIST");
    info.album = joined(properties, "ALBUM");
    info.genre = joined(properties, "GENRE");
    info.year = yearOf(joined(properties, "DATE"));
    info.rating = ratingOf(&file, properties);
}

void readTags(IOStream& stream, SongInfo& info) {
    for (const TypeRow& row : Types) {
        if (info.fileType == QLatin1StringView(row.extension)) {
            const std::unique_ptr<File> file(row.open(&stream));
            if (file->isValid()) {
                describe(*file, info);
            }
            if (info.readable) {
                return;
            }
            break;
        }
    }
    stream.clear();
    stream.seek(0);
    const FileRef byContent(&stream);
    if (!byContent.isNull() && byContent.file()->isValid()) {
        describe(*byContent.file(), info);
    }
}

} // namespace

SongRead readSongFile(const QString& path) {
    SongRead read;
    const int fd = openRegularFile(path, &read.stamp);
    if (fd < 0) {
        return read;
    }
    read.regularFile = true;
    read.info.fileType = QFileInfo(path).suffix().toLower();
    FileStream stream(fd, true);
    if (!stream.isOpen()) {
        ::close(fd);
        return read;
    }
    // The stream now owns the descriptor.
    readTags(stream, read.info);
    return read;
}

} // namespace corvane::library
