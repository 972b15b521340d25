#include "library/songs/SongFile.h"

#include "library/MediaLibrary.h"
#include "library/songs/Rating.h"

#include <QFileInfo>
#include <aifffile.h>
#include <algorithm>
#include <apefile.h>
#include <apetag.h>
#include <asffile.h>
#include <cerrno>
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
#include <tpropertymap.h>
#include <trueaudiofile.h>
#include <type_traits>
#include <unistd.h>
#include <utility>
#include <vector>
#include <vorbisfile.h>
#include <wavfile.h>
#include <wavpackfile.h>
#include <xiphcomment.h>

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

// TagLib keeps a text as UCS-4 (wchar_t): converted as it lies, not through a copy.
QString toQString(const String& text) {
    static_assert(sizeof(wchar_t) == sizeof(char32_t));
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(text.toCWString()),
                             static_cast<qsizetype>(text.size()));
}

// The values of a field, joined by "; " (one value, as it is).
QString joined(const StringList& values) {
    if (values.isEmpty()) {
        return {};
    }
    return (values.size() == 1 ? toQString(values.front()) : toQString(values.toString("; ")))
        .trimmed();
}

// The Windows Media Player frame first, else the first other frame that holds a rating: Quod
// Libet's holds its fraction of 255. -1: no rating there.
int popularimeterRating(const ID3v2::Tag& tag) {
    const ID3v2::PopularimeterFrame* other = nullptr;
    for (const ID3v2::Frame* frame : tag.frameList("POPM")) {
        const auto* popm = dynamic_cast<const ID3v2::PopularimeterFrame*>(frame);
        if (!popm) {
            continue;
        }
        if (popm->email() == "Windows Media Player 9 Series") {
            return ratingFromPopularimeter(popm->rating());
        }
        if (!other && popm->rating() > 0) {
            other = popm;
        }
    }
    if (!other) {
        return -1;
    }
    return other->email() == "quodlibet@lists.sacredchao.net"
               ? ratingFromPlayerFraction(other->rating() / 255.0)
               : ratingFromPopularimeter(other->rating());
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

// One of a file's tags: the fields a song shows, and the rating it gives (-1: none).
struct TagFields {
    QString title;
    QString artist;
    QString album;
    QString genre;
    QString date;
    int rating = -1;
};

using Tags = std::vector<TagFields>;

// The fields, in one pass over the tag's properties (whose keys are upper case): a lookup by
// key makes the key upper case each time. The rating is the tag's own kind's, else Xiph
// comments' (and APE's, ID3v2 TXXX's) FMPS_RATING and RATING as text, else a player's own
// "rating:EMAIL" (Quod Libet's: "rating:quodlibet@lists.sacredchao.net") as a fraction of its
// stars: the
// first above 0, else the last.
template <class Properties> TagFields fieldsOf(const Properties& properties, const Tag* tag) {
    TagFields fields;
    const StringList* fmps = nullptr;
    const StringList* text = nullptr;
    int player = -1;
    for (const auto& [key, values] : properties) {
        if (key == "TITLE") {
            fields.title = joined(values);
        } else if (key == "ARTIST") {
            fields.artist = joined(values);
        } else if (key == "ALBUM") {
            fields.album = joined(values);
        } else if (key == "GENRE") {
            fields.genre = joined(values);
        } else if (key == "DATE") {
            fields.date = joined(values);
        } else if (key == "FMPS_RATING") {
            fmps = &values;
        } else if (key == "RATING") {
            text = &values;
        } else if (player <= 0 && key.startsWith("RATING:") && !values.isEmpty()) {
            player = ratingFromPlayerFraction(toQString(values.front()).trimmed().toDouble());
        }
    }
    fields.rating = nativeRating(tag);
    if (fields.rating < 0) {
        fields.rating = fmps   ? ratingFromFraction(joined(*fmps).toDouble())
                        : text ? ratingFromText(joined(*text))
                               : player;
    }
    return fields;
}

// A tag's own properties() (TagLib 1's Tag::properties() is not virtual). A Xiph comment's are
// its fields as they lie (upper-case keys), without the copy that properties() makes.
template <class TagType> TagFields fieldsOfTag(const TagType* tag) {
    if constexpr (std::is_same_v<TagType, Ogg::XiphComment>) {
        return fieldsOf(tag->fieldListMap(), tag);
    } else {
        return fieldsOf(tag->properties(), tag);
    }
}

// TagLib's File::properties() answers from one tag only: each tag's own properties() are read.
template <class... TagType> Tags tagsInOrder(const TagType*... tags) {
    Tags fields;
    const auto add = [&](const auto* tag) {
        if (tag) {
            fields.push_back(fieldsOfTag(tag));
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
    if (const auto* xiph = dynamic_cast<const Ogg::XiphComment*>(file.tag())) {
        return {fieldsOfTag(xiph)};
    }
    return {fieldsOf(file.properties(), file.tag())};
}

// The field from the first tag that holds it.
QString field(const Tags& tags, QString TagFields::*key) {
    for (const TagFields& tag : tags) {
        if (!(tag.*key).isEmpty()) {
            return tag.*key;
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
    info.title = boundedText(field(tags, &TagFields::title));
    info.artist = boundedText(field(tags, &TagFields::artist));
    info.album = boundedText(field(tags, &TagFields::album));
    info.genre = boundedText(field(tags, &TagFields::genre));
    info.year = yearOf(field(tags, &TagFields::date));
    info.rating = rating(tags);
}

// A song file's bytes for TagLib in as few reads as it needs: its head (the tags and the stream's
// description; the whole of most small files) in one read, its tail (ID3v1, APE tags, the last
// Ogg page or MPEG frame) in another, anything else where asked. TagLib's own file stream reads
// through stdio in small pieces and seeks for each.
class FileBytes final : public IOStream {
public:
    static constexpr long HeadBytes = 64 * 1024;
    static constexpr long TailBytes = 8 * 1024;

    // Takes `fd`, open on a regular file of `size` bytes.
    FileBytes(int fd, long size)
        : fd_(fd)
        , size_(size)
        , head_(readAt(0, std::min(size, HeadBytes))) {}
    ~FileBytes() override { ::close(fd_); }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    TagLib::FileName name() const override { return ""; }
    ByteVector readBlock(unsigned long length) override {
        const long from = position_;
        const long to = from + static_cast<long>(std::min<unsigned long>(
                                   length, static_cast<unsigned long>(std::max(size_ - from, 0L))));
        if (from < 0 || to <= from) {
            return {};
        }
        ByteVector bytes;
        if (to <= static_cast<long>(head_.size())) {
            bytes = head_.mid(static_cast<unsigned>(from), static_cast<unsigned>(to - from));
        } else if (from >= size_ - TailBytes && from >= static_cast<long>(head_.size())) {
            if (tailFrom_ < 0) {
                tailFrom_ = std::max(size_ - TailBytes, static_cast<long>(head_.size()));
                tail_ = readAt(tailFrom_, size_ - tailFrom_);
            }
            bytes = tail_.mid(static_cast<unsigned>(from - tailFrom_),
                              static_cast<unsigned>(to - from));
        } else {
            bytes = readAt(from, to - from);
        }
        position_ = from + static_cast<long>(bytes.size());
        return bytes;
    }
    void writeBlock(const ByteVector&) override {}
    void insert(const ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p) override {
        const long to = (p == Beginning ? 0 : p == Current ? position_ : size_) + offset;
        // As a file stream: no seeking before the start.
        if (to >= 0) {
            position_ = to;
        }
    }
    long tell() const override { return position_; }
    long length() override { return size_; }
    void truncate(long) override {}

private:
    // Up to `length` bytes from `offset`; fewer when the file shrank meanwhile or cannot be read.
    ByteVector readAt(long offset, long length) const {
        ByteVector bytes(static_cast<unsigned>(std::max(length, 0L)), '\0');
        long done = 0;
        while (done < length) {
            const ssize_t got = ::pread(fd_, bytes.data() + done,
                                        static_cast<size_t>(length - done), offset + done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            done += got;
        }
        bytes.resize(static_cast<unsigned>(done));
        return bytes;
    }

    int fd_;
    long size_;
    ByteVector head_;
    long tailFrom_ = -1; // where tail_ starts; -1 before it is read
    ByteVector tail_;
    long position_ = 0;
};

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
    FileBytes stream(fd, static_cast<long>(read.stamp.size)); // owns the descriptor now
    readTags(stream, read.info);
    if (!read.info.readable) {
        read.problem = QStringLiteral("not an audio file or damaged");
    }
    return read;
}

QString embeddedCueSheet(const QString& path) {
    FileStamp stamp;
    const int fd = openRegularFile(path, &stamp);
    if (fd < 0) {
        return {};
    }
    FileBytes stream(fd, static_cast<long>(stamp.size)); // owns the descriptor now
    const FileRef file(&stream);
    if (file.isNull() || !file.file()->isValid()) {
        return {};
    }
    const PropertyMap properties = file.file()->properties();
    const auto sheet = properties.find("CUESHEET");
    return sheet == properties.end() ? QString() : joined(sheet->second);
}

} // namespace corvane::library
