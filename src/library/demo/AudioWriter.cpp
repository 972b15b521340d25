#include "library/demo/AudioWriter.h"

#include <FLAC/stream_encoder.h>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <popularimeterframe.h>
#include <textidentificationframe.h>
#include <vector>
#include <xiphcomment.h>

namespace corvane::library::demo {
namespace {

TagLib::String toTagLib(const QString& text) {
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}

void setText(TagLib::ID3v2::Tag& tag, const char* id, const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(toTagLib(text));
    tag.addFrame(frame);
}

bool tagMp3(const QString& path, const SongTags& tags) {
    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    if (!file.isValid()) {
        return false;
    }
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    setText(*tag, "TIT2", tags.title);
    setText(*tag, "TPE1", tags.artist);
    setText(*tag, "TALB", tags.album);
    setText(*tag, "TCON", tags.genre);
    setText(*tag, "TDRC", tags.date);
    for (const Popularimeter& popm : tags.popularimeters) {
        auto* frame = new TagLib::ID3v2::PopularimeterFrame();
        frame->setEmail(toTagLib(popm.email));
        frame->setRating(popm.rating);
        tag->addFrame(frame);
    }
    for (const auto& [name, value] : tags.fields) {
        auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
        frame->setDescription(toTagLib(name));
        frame->setText(toTagLib(value));
        tag->addFrame(frame);
    }
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4);
}

bool tagFlac(const QString& path, const SongTags& tags) {
    TagLib::FLAC::File file(QFile::encodeName(path).constData(), false);
    if (!file.isValid()) {
        return false;
    }
    TagLib::Ogg::XiphComment* comment = file.xiphComment(true);
    const auto add = [&](const char* field, const QString& value) {
        if (!value.isEmpty()) {
            comment->addField(field, toTagLib(value));
        }
    };
    add("TITLE", tags.title);
    add("ARTIST", tags.artist);
    add("ALBUM", tags.album);
    add("GENRE", tags.genre);
    add("DATE", tags.date);
    for (const auto& [name, value] : tags.fields) {
        comment->addField(toTagLib(name), toTagLib(value));
    }
    return file.save();
}

} // namespace

bool writeSilentFlac(const QString& path, double seconds) {
    constexpr unsigned SampleRate = 8000;
    const auto total = static_cast<FLAC__uint64>(std::llround(std::max(seconds, 0.0) * SampleRate));
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    if (!encoder) {
        return false;
    }
    FLAC__stream_encoder_set_channels(encoder, 1);
    FLAC__stream_encoder_set_bits_per_sample(encoder, 16);
    FLAC__stream_encoder_set_sample_rate(encoder, SampleRate);
    FLAC__stream_encoder_set_compression_level(encoder, 0);
    FLAC__stream_encoder_set_blocksize(encoder, 4096);
    FLAC__stream_encoder_set_total_samples_estimate(encoder, total);
    bool ok = FLAC__stream_encoder_init_file(encoder, QFile::encodeName(path).constData(), nullptr,
                                             nullptr) == FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    const std::vector<FLAC__int32> silence(16384, 0);
    for (FLAC__uint64 done = 0; ok && done < total;) {
        const auto block =
            static_cast<unsigned>(std::min<FLAC__uint64>(silence.size(), total - done));
        ok = FLAC__stream_encoder_process_interleaved(encoder, silence.data(), block);
        done += block;
    }
    ok = FLAC__stream_encoder_finish(encoder) && ok;
    FLAC__stream_encoder_delete(encoder);
    return ok;
}

bool writeSilentMp3(const QString& path, double seconds) {
    // One frame: the header (MPEG-2, layer III, no CRC; 8 kbit/s, 16 kHz; mono), then side
    // information and main data all zero: no coded samples, so the frame decodes to silence.
    // 72 * 8000 / 16000 = 36 bytes for 576 samples.
    constexpr int FrameBytes = 36;
    constexpr int SamplesPerFrame = 576;
    QByteArray frame(FrameBytes, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xF3);
    frame[2] = char(0x18);
    frame[3] = char(0xC0);
    // At least two frames: a reader takes a lone frame header for a chance match.
    const auto frames = std::max<qsizetype>(
        2, static_cast<qsizetype>(std::ceil(std::max(seconds, 0.0) * 16000.0 / SamplesPerFrame)));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(frame.repeated(frames)) == frames * FrameBytes;
}

bool writeTags(const QString& path, const SongTags& tags) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"mp3") {
        return tagMp3(path, tags);
    }
    if (extension == u"flac") {
        return tagFlac(path, tags);
    }
    return false;
}

bool writeSong(const QString& path, double seconds, const SongTags& tags) {
    const QString extension = QFileInfo(path).suffix().toLower();
    const bool written = extension == u"mp3"    ? writeSilentMp3(path, seconds)
                         : extension == u"flac" ? writeSilentFlac(path, seconds)
                                                : false;
    return written && writeTags(path, tags);
}

} // namespace corvane::library::demo
