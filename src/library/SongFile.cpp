#include "library/SongFile.h"

#include "library/MediaLibrary.h"
#include "library/Rating.h"

#include <QFileInfo>
#include <aifffile.h>
#include <apefile.h>
#include <apetag.h>
#include <asffile.h>
#include <fileref.h>
#include <flacfile.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <infotag.h>
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
#include <vector>
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

// The rating frames of the tag's own kind; -1 for a kind that has none, or none there.
int nativeRating(const Tag* tag) {
    if (const auto* id3v2 = dynamic_cast<const ID3v2::Tag*>(tag)) {
        return popularimeterRating(*id3v2);
    }
    if (const auto* asf = dynamic_cast<const ASF::Tag*>(tag)) {
        return asfRating(*asf);
    }
    if (const auto* mp4 = dynamic_cast<const MP4::Tag*>(tag)) {
        return mp4Rating(*mp4);
    }
    return -1;
}

// Xiph comments (and APE, ID3v2 TXXX) hold FMPS_RATING and RATING as text, and a player's own
// "rating:EMAIL" (Quod Libet's: "rating:quodlibet@lists.sacredchao.net") as a fraction.
int textRating(const PropertyMap& properties) {
    if (properties.contains("FMPS_RATING")) {
        return ratingFromFraction(joined(properties, "FMPS_RATING").toDouble());
    }
    if (properties.contains("RATING")) {
        return ratingFromText(joined(properties, "RATING"));
    }
    int rating = -1;
    for (const auto& [key, values] : properties) {
        if (key.startsWith("RATING:") && !values.isEmpty()) {
            rating = ratingFromFraction(toQString(values.front()).trimmed().toDouble());
            if (rating > 0) {
                break;
            }
        }
    }
    return rating;
}

// One of a file's tags: its fields, and the rating it gives (-1: none).
struct TagFields {
    PropertyMap properties;
    int rating = -1;
};

using Tags = std::vector<TagFields>;

TagFields fieldsOf(PropertyMap properties, const Tag* tag) {
    int rating = nativeRating(tag);
    if (rating < 0) {
        rating = textRating(properties);
    }
    return {std::move(properties), rating};
}

// TagLib's File::properties() answers from one tag only: each tag's own properties() are read.
template <class... TagType> Tags tagsInOrder(const TagType*... tags) {
    Tags fields;
    const auto add = [&](const auto* tag) {
        if (tag) {
            fields.push_back(fieldsOf(tag->properties(), tag));
        }
    };
    (add(tags), ...);
    return fields;
}

template <class Type> Tags apeThenId3v1(Type* file) {
    return tagsInOrder(file->APETag(), file->ID3v1Tag());
}

// The file's tags, first the one read first: a field or rating missing from a tag is taken from
// the next (an MP3 from ffmpeg has an ID3v2 tag with only the encoder's name, and the user's tags
// in APEv2 or ID3v1). A tag absent from the file is an empty one or none.
Tags tagsOf(File& file) {
    if (auto* mpeg = dynamic_cast<MPEG::File*>(&file)) {
        return tagsInOrder(mpeg->ID3v2Tag(), mpeg->APETag(), mpeg->ID3v1Tag());
    }
    if (auto* flac = dynamic_cast<FLAC::File*>(&file)) {
        return tagsInOrder(flac->xiphComment(), flac->ID3v2Tag(), flac->ID3v1Tag());
    }
    if (auto* wav = dynamic_cast<RIFF::WAV::File*>(&file)) {
        return tagsInOrder(wav->ID3v2Tag(), wav->InfoTag());
    }
    if (auto* tta = dynamic_cast<TrueAudio::File*>(&file)) {
        return tagsInOrder(tta->ID3v2Tag(), tta->ID3v1Tag());
    }
    if (auto* wavPack = dynamic_cast<WavPack::File*>(&file)) {
        return apeThenId3v1(wavPack);
    }
    if (auto* ape = dynamic_cast<APE::File*>(&file)) {
        return apeThenId3v1(ape);
    }
    if (auto* mpc = dynamic_cast<MPC::File*>(&file)) {
        return apeThenId3v1(mpc);
    }
    // One tag of one kind (Ogg, MP4, ASF, AIFF): the file's properties are that tag's.
    return {fieldsOf(file.properties(), file.tag())};
}

// The field from the first tag that holds it.
QString field(const Tags& tags, const char* key) {
    for (const TagFields& tag : tags) {
        if (QString value = joined(tag.properties, key); !value.isEmpty()) {
            return value;
        }
    }
    return {};
}

int rating(const Tags& tags) {
    for (const TagFields& tag : tags) {
        if (tag.rating >= 0) {
            return tag.rating;
        }
    }
    return 0;
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
    const Tags tags = tagsOf(file);
    info.title = field(tags, "TITLE");
    info.artist = field(tags, "ARTIST");
    info.album = field(tags, "ALBUM");
    info.genre = field(tags, "GENRE");
    info.year = yearOf(field(tags, "DATE"));
    info.rating = rating(tags);
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
        read.problem = whyUnreadable(path);
        return read;
    }
    read.regularFile = true;
    read.info.fileType = QFileInfo(path).suffix().toLower();
    FileStream stream(fd, true);
    if (!stream.isOpen()) {
        ::close(fd);
        read.problem = QStringLiteral("cannot be read");
        return read;
    }
    // The stream now owns the descriptor.
    readTags(stream, read.info);
    if (!read.info.readable) {
        read.problem = QStringLiteral("not an audio file or damaged");
    }
    return read;
}

} // namespace corvane::library
