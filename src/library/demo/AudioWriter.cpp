#include "library/demo/AudioWriter.h"

#include <FLAC/stream_encoder.h>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <ogg/ogg.h>
#include <opusfile.h>
#include <popularimeterframe.h>
#include <textidentificationframe.h>
#include <vector>
#include <vorbis/vorbisenc.h>
#include <vorbisfile.h>
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

TagLib::Ogg::XiphComment* xiphCommentOf(TagLib::FLAC::File& file) {
    return file.xiphComment(true);
}

template <class Type> TagLib::Ogg::XiphComment* xiphCommentOf(Type& file) {
    return file.tag();
}

// FLAC, Ogg Vorbis and Opus keep their tags in a Xiph comment.
template <class Type> bool tagXiph(const QString& path, const SongTags& tags) {
    Type file(QFile::encodeName(path).constData(), false);
    if (!file.isValid()) {
        return false;
    }
    TagLib::Ogg::XiphComment* comment = xiphCommentOf(file);
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

// Writes the stream's pages that are ready (all of them, flushed, with `flush`).
bool writePages(ogg_stream_state& stream, QFile& file, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (file.write(reinterpret_cast<const char*>(page.header), page.header_len) !=
                page.header_len ||
            file.write(reinterpret_cast<const char*>(page.body), page.body_len) != page.body_len) {
            return false;
        }
    }
    return true;
}

bool writePacket(ogg_stream_state& stream, QFile& file, ogg_packet& packet, bool flush) {
    return ogg_stream_packetin(&stream, &packet) == 0 && writePages(stream, file, flush);
}

void appendLittleEndian(QByteArray& bytes, quint32 value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
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

bool writeSilentWav(const QString& path, double seconds) {
    constexpr quint32 SampleRate = 8000;
    const auto dataBytes =
        2 * static_cast<quint32>(std::llround(std::max(seconds, 0.0) * SampleRate));
    QByteArray header("RIFF");
    appendLittleEndian(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    appendLittleEndian(header, 16, 4);             // the format chunk's size
    appendLittleEndian(header, 1, 2);              // PCM
    appendLittleEndian(header, 1, 2);              // mono
    appendLittleEndian(header, SampleRate, 4);     // samples a second
    appendLittleEndian(header, 2 * SampleRate, 4); // bytes a second
    appendLittleEndian(header, 2, 2);              // bytes a sample
    appendLittleEndian(header, 16, 2);             // bits a sample
    header += "data";
    appendLittleEndian(header, dataBytes, 4);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(header + QByteArray(dataBytes, '\0')) == header.size() + dataBytes;
}

bool writeSilentVorbis(const QString& path, double seconds) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    constexpr long SampleRate = 8000;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 1, SampleRate, 0.0F) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    ogg_packet identification;
    ogg_packet comments;
    ogg_packet setup;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &setup);
    // The identification header has a page of its own; the audio starts on a fresh page.
    bool ok = writePacket(stream, file, identification, true) &&
              writePacket(stream, file, comments, false) && writePacket(stream, file, setup, true);
    auto left = std::llround(std::max(seconds, 0.0) * SampleRate);
    for (bool ended = false; ok && !ended;) {
        constexpr long Chunk = 1024;
        const long samples = static_cast<long>(std::min<long long>(left, Chunk));
        if (samples > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, samples);
            std::fill(buffer[0], buffer[0] + samples, 0.0F);
        }
        vorbis_analysis_wrote(&dsp, samples); // 0: the end of the stream
        left -= samples;
        while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (ok && vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ended = packet.e_o_s != 0;
                ok = writePacket(stream, file, packet, false);
            }
        }
    }
    ok = ok && writePages(stream, file, true);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}

bool writeSilentOpus(const QString& path, double seconds) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    constexpr quint32 PreSkip = 312;
    constexpr long long FrameSamples = 960; // 20 ms at 48 kHz
    // OpusHead: version 1, mono, the pre-skip, 48 kHz input, no gain, channel mapping family 0.
    QByteArray head("OpusHead");
    head += char(1);
    head += char(1);
    appendLittleEndian(head, PreSkip, 2);
    appendLittleEndian(head, 48000, 4);
    appendLittleEndian(head, 0, 2);
    head += char(0);
    QByteArray tags("OpusTags");
    const QByteArray vendor("corvane");
    appendLittleEndian(tags, static_cast<quint32>(vendor.size()), 4);
    tags += vendor;
    appendLittleEndian(tags, 0, 4);

    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    const auto packetOf = [](QByteArray& bytes, long long granule, long long number) {
        ogg_packet packet{};
        packet.packet = reinterpret_cast<unsigned char*>(bytes.data());
        packet.bytes = bytes.size();
        packet.b_o_s = number == 0;
        packet.granulepos = granule;
        packet.packetno = number;
        return packet;
    };
    ogg_packet headPacket = packetOf(head, 0, 0);
    ogg_packet tagsPacket = packetOf(tags, 0, 1);
    bool ok =
        writePacket(stream, file, headPacket, true) && writePacket(stream, file, tagsPacket, true);
    // Each packet is its table-of-contents byte alone (CELT, 20 ms, one frame) with an empty
    // frame, which a decoder plays as silence. The last granule position trims the end.
    const long long samples = PreSkip + std::llround(std::max(seconds, 0.0) * 48000);
    const long long frames = std::max((samples + FrameSamples - 1) / FrameSamples, 1LL);
    QByteArray silence(1, char(0xF8));
    for (long long i = 0; ok && i < frames; ++i) {
        const bool last = i + 1 == frames;
        ogg_packet packet = packetOf(silence, last ? samples : (i + 1) * FrameSamples, i + 2);
        packet.e_o_s = last;
        ok = writePacket(stream, file, packet, false);
    }
    ok = ok && writePages(stream, file, true);
    ogg_stream_clear(&stream);
    return ok;
}

bool writeTags(const QString& path, const SongTags& tags) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"mp3") {
        return tagMp3(path, tags);
    }
    if (extension == u"flac") {
        return tagXiph<TagLib::FLAC::File>(path, tags);
    }
    if (extension == u"ogg") {
        return tagXiph<TagLib::Ogg::Vorbis::File>(path, tags);
    }
    if (extension == u"opus") {
        return tagXiph<TagLib::Ogg::Opus::File>(path, tags);
    }
    return false;
}

bool writeSong(const QString& path, double seconds, const SongTags& tags) {
    const QString extension = QFileInfo(path).suffix().toLower();
    const bool written = extension == u"mp3"    ? writeSilentMp3(path, seconds)
                         : extension == u"flac" ? writeSilentFlac(path, seconds)
                         : extension == u"ogg"  ? writeSilentVorbis(path, seconds)
                         : extension == u"opus" ? writeSilentOpus(path, seconds)
                                                : false;
    return written && writeTags(path, tags);
}

} // namespace corvane::library::demo
