// SPDX-License-Identifier: GPL-3.0-or-later
// Files as people have them: every sample format, FLAC, OGG, stereo, other rates; and files
// that cannot be read, which are refused with a reason instead of being guessed at.

#include "SignalLab.h"
#include "decode/RecordingReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace tarvel {
namespace {

class RecordingReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::mt19937 rng(11);
        frame_ = lab::randomFrame(rng);
        signal_ = lab::pad(lab::send(frame_), 16'000.0, 0.2, 0.2, 0.0, rng);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    tarvel::testing::TempFolder folder_;
    std::filesystem::path dir_ = folder_.path();
    Frame frame_ {};
    std::vector<float> signal_;
};

TEST_F(RecordingReader, EverySampleFormatAndContainer)
{
    const std::vector<std::pair<const char*, int>> formats = {
        {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
        {"s16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"s24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"s32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32},
        {"f32.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"f64.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
        {"s16.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {"vorbis.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    };
    for (const auto& [name, format] : formats) {
        lab::writeSound(path(name), signal_, 16'000, format);
        const DecodeResult r = decodeRecording(path(name));
        EXPECT_TRUE(r.crcOk()) << name << ": " << r.reason;
        EXPECT_EQ(r.frame, frame_) << name;
    }
}

TEST_F(RecordingReader, StereoAndOtherRatesAndFromMemory)
{
    const std::vector<float> at44 = lab::resample(signal_, 16'000.0, 44'100.0);
    lab::writeSound(path("stereo44.wav"), at44, 44'100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2);
    DecodeResult r = decodeRecording(path("stereo44.wav"));
    EXPECT_TRUE(r.crcOk()) << r.reason;
    EXPECT_EQ(r.frame, frame_);
    EXPECT_EQ(r.report.sampleRate_hz, 44'100.0);

    std::ifstream in(path("stereo44.wav"), std::ios::binary);
    const std::vector<std::uint8_t> bytes(
        (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    r = decodeRecordingBytes(bytes);
    EXPECT_TRUE(r.crcOk()) << r.reason;
}

void expectSameReading(const DecodeResult& a, const DecodeResult& b, const char* what)
{
    EXPECT_EQ(a.outcome, b.outcome) << what;
    EXPECT_EQ(a.frame, b.frame) << what;
    EXPECT_EQ(a.symbolsRead, b.symbolsRead) << what;
    EXPECT_EQ(a.correctedSymbols, b.correctedSymbols) << what;
    EXPECT_EQ(a.reason, b.reason) << what;
    EXPECT_EQ(a.report.start_s, b.report.start_s) << what;
    EXPECT_EQ(a.report.level_dBFS, b.report.level_dBFS) << what;
    EXPECT_EQ(a.report.peak_dBFS, b.report.peak_dBFS) << what;
    EXPECT_EQ(a.report.clockSkew_percent, b.report.clockSkew_percent) << what;
    EXPECT_EQ(a.report.snr_dB, b.report.snr_dB) << what;
    EXPECT_EQ(a.report.weakestMargin_dB, b.report.weakestMargin_dB) << what;
    EXPECT_EQ(a.report.channel, b.report.channel) << what;
    EXPECT_EQ(a.report.channels, b.report.channels) << what;
}

// A 16-bit WAV is read without libsndfile, the same samples big-endian (RIFX) through it: the
// two readings agree to the last digit, from a file and from memory, for one channel and for
// two (each channel and their mix).
TEST_F(RecordingReader, NativeAndLibraryWavReadingsAgree)
{
    std::mt19937 rng(5);
    std::vector<float> noisy = lab::pad(lab::send(frame_), 16'000.0, 0.3, 0.3, 0.0, rng);
    lab::gain(noisy, 0.3);
    lab::addNoise(noisy, 0.001, rng);
    for (const int channels : {1, 2}) {
        lab::writeSound(path("s16.wav"), noisy, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels);
        SF_INFO info {};
        SNDFILE* in = sf_open(path("s16.wav").c_str(), SFM_READ, &info);
        ASSERT_NE(in, nullptr);
        std::vector<int> samples(static_cast<std::size_t>(info.frames * info.channels));
        ASSERT_EQ(sf_readf_int(in, samples.data(), info.frames), info.frames);
        sf_close(in);
        SF_INFO bigEndian {};
        bigEndian.samplerate = info.samplerate;
        bigEndian.channels = info.channels;
        bigEndian.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG;
        SNDFILE* out = sf_open(path("rifx.wav").c_str(), SFM_WRITE, &bigEndian);
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(sf_writef_int(out, samples.data(), info.frames), info.frames);
        sf_close(out);

        const DecodeResult native = decodeRecording(path("s16.wav"));
        EXPECT_TRUE(native.crcOk()) << native.reason;
        EXPECT_EQ(native.report.channels, channels);
        expectSameReading(native, decodeRecording(path("rifx.wav")), "RIFX file");
        std::ifstream bytes(path("s16.wav"), std::ios::binary);
        const std::vector<std::uint8_t> file(
            (std::istreambuf_iterator<char>(bytes)), std::istreambuf_iterator<char>());
        expectSameReading(native, decodeRecordingBytes(file), "16-bit bytes");
    }
}

// A writer on the far end of a stream (a socket pair, which reads like a pipe but lets the
// writer stop without SIGPIPE once the reader has gone): it sends `bytes`, in pieces of
// `piece` bytes with a pause after each when asked (so that reads come back short), then
// holds the stream open until it is let go or, so that no test can hang, for 10 s.
class HeldStream {
public:
    explicit HeldStream(std::vector<std::uint8_t> bytes, std::size_t piece = SIZE_MAX)
            : bytes_(std::move(bytes))
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            throw std::runtime_error("socketpair");
        reader_ = ends[0];
        writer_ = std::thread([this, end = ends[1], piece] {
            for (std::size_t at = 0; at < bytes_.size();) {
                const std::size_t count = std::min(piece, bytes_.size() - at);
                const ssize_t n = ::send(end, bytes_.data() + at, count, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                at += static_cast<std::size_t>(n);
                if (piece != SIZE_MAX)
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
            std::unique_lock lock(mutex_);
            letGo_.wait_for(lock, std::chrono::seconds(10), [this] { return released_; });
            closedByTimeout_ = !released_;
            ::close(end);
        });
    }
    HeldStream(const HeldStream&) = delete;
    HeldStream& operator=(const HeldStream&) = delete;
    ~HeldStream()
    {
        release();
        ::close(reader_); // a writer still sending meets a closed stream and stops
        writer_.join();
    }
    int fd() const { return reader_; }
    void release()
    {
        const std::lock_guard lock(mutex_);
        released_ = true;
        letGo_.notify_all();
    }
    // True when the reader only came back because the writer gave up holding the stream.
    bool waitedForTheEnd()
    {
        const std::lock_guard lock(mutex_);
        return closedByTimeout_;
    }

private:
    std::vector<std::uint8_t> bytes_;
    int reader_ = -1;
    std::mutex mutex_;
    std::condition_variable letGo_;
    bool released_ = false;
    bool closedByTimeout_ = false;
    std::thread writer_;
};

// Samples behind a long chunk (a tag, a picture): read natively when they start within the
// first 64 KiB, by libsndfile beyond; the same reading either way, from a file and from a
// stream its writer holds open.
TEST_F(RecordingReader, SamplesBehindALongChunk)
{
    std::vector<float> trailed = signal_; // silence after the frame, so that a held stream need not end
    trailed.resize(signal_.size() + 2 * 16'000, 0.0f);
    lab::writeSound(path("plain.wav"), trailed, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const DecodeResult plain = decodeRecording(path("plain.wav"));
    EXPECT_TRUE(plain.crcOk()) << plain.reason;
    std::ifstream in(path("plain.wav"), std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    constexpr std::size_t kAfterFormat = 36; // "RIFF", "WAVE" and a plain 16-byte "fmt " chunk
    ASSERT_EQ(std::string(file.data() + kAfterFormat, 4), "data");
    for (const std::uint32_t junk : {10'000u, 100'000u}) {
        std::vector<char> longer(file.begin(), file.begin() + kAfterFormat);
        const char header[8] = {'J', 'U', 'N', 'K', static_cast<char>(junk & 0xFF),
            static_cast<char>((junk >> 8) & 0xFF), static_cast<char>(junk >> 16), 0};
        longer.insert(longer.end(), header, header + 8);
        longer.resize(longer.size() + junk, '\0');
        longer.insert(longer.end(), file.begin() + kAfterFormat, file.end());
        std::ofstream(path("long.wav"), std::ios::binary)
            .write(longer.data(), static_cast<std::streamsize>(longer.size()));
        const char* way = junk < 65'536 ? "native" : "libsndfile";
        expectSameReading(plain, decodeRecording(path("long.wav")), way);
        HeldStream stream(std::vector<std::uint8_t>(longer.begin(), longer.end()));
        expectSameReading(plain, decodeRecordingFd(stream.fd()), way);
        EXPECT_FALSE(stream.waitedForTheEnd()) << way;
    }
}

// The reason in plain words, as the system or the first bytes give it.
std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string refusal(const std::string& path)
{
    try {
        decodeRecording(path);
    } catch (const RecordingError& e) {
        return e.what();
    }
    return "(read)";
}

TEST_F(RecordingReader, UnreadableFilesAreRefusedWithAReason)
{
    EXPECT_EQ(refusal(path("missing.wav")), "no such file or directory");
    EXPECT_EQ(refusal(dir_.string()), "is a directory");
    std::ofstream(path("empty.wav")).close();
    EXPECT_EQ(refusal(path("empty.wav")), "the file is empty");
    EXPECT_EQ(refusal("/dev/null"), "the file is empty");

    std::ofstream(path("text.wav")) << "this is not a recording\n";
    EXPECT_EQ(refusal(path("text.wav")), "not a WAV, FLAC or OGG recording");

    lab::writeSound(path("low.wav"), std::vector<float>(4000, 0.0f), 4'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_NE(refusal(path("low.wav")).find("4000 Hz"), std::string::npos);

    const std::vector<std::uint8_t> junk = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E'};
    EXPECT_THROW(decodeRecordingBytes(junk), RecordingError);
    EXPECT_THROW(decodeRecordingBytes({}), RecordingError);

    // Damage in the Vorbis headers (libvorbis leaks here, which the sanitizer run suppresses).
    lab::writeSound(path("bad.ogg"), signal_, 16'000, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    std::vector<std::uint8_t> ogg = fileBytes(path("bad.ogg"));
    constexpr std::size_t kInSetupHeader = 1000; // past the first page (58 bytes), in the second
    std::fill_n(ogg.begin() + kInSetupHeader, 16, 0x5A);
    EXPECT_THROW(decodeRecordingBytes(ogg), RecordingError);
}

// A WAV whose first bytes are damaged looks like an MPEG stream to libsndfile, whose MPEG
// reader would then fill stderr; the first bytes alone refuse it.
TEST_F(RecordingReader, OnlyWavFlacAndOggReachTheLibrary)
{
    lab::writeSound(path("a.wav"), signal_, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::fstream f(path("a.wav"), std::ios::in | std::ios::out | std::ios::binary);
    f.write("\xFF\xFB", 2); // an MPEG frame header where "RI" was
    f.close();
    EXPECT_EQ(refusal(path("a.wav")), "not a WAV, FLAC or OGG recording");
}

TEST_F(RecordingReader, FlacDamagedPartWayEndsEarlyWhereTheDamageIs)
{
    lab::writeSound(path("a.flac"), signal_, 16'000, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    std::fstream f(path("a.flac"), std::ios::in | std::ios::out | std::ios::binary);
    const auto size = static_cast<std::streamoff>(std::filesystem::file_size(path("a.flac")));
    f.seekp(size / 2);
    const std::string junk(2000, '\x5A');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    f.close();
    const DecodeResult r = decodeRecording(path("a.flac"));
    EXPECT_EQ(r.outcome, DecodeOutcome::EndsEarly) << r.reason;
    EXPECT_GT(r.symbolsRead, 0);
    EXPECT_NE(r.reason.find("the FLAC file is damaged after "), std::string::npos) << r.reason;
}

// A stream is read as it arrives: a WAV gives its frame while the writer still holds the
// stream open, and what is not a recording is refused by its first bytes, with no wait for
// more. FLAC goes through libsndfile, which reads to the stream's end.
TEST_F(RecordingReader, ReadsAStreamAsItArrives)
{
    lab::writeSound(path("a.wav"), signal_, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    lab::writeSound(
        path("b.wav"), lab::resample(signal_, 16'000.0, 48'000.0), 48'000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    {
        HeldStream stream(fileBytes(path("a.wav")));
        const DecodeResult r = decodeRecordingFd(stream.fd());
        EXPECT_TRUE(r.crcOk()) << r.reason;
        EXPECT_EQ(r.frame, frame_);
        EXPECT_FALSE(stream.waitedForTheEnd());
    }
    for (const std::string name : {"a.wav", "b.wav"}) {
        HeldStream stream(fileBytes(path(name)));
        stream.release();
        const DecodeResult fromFile = decodeRecording(path(name));
        const DecodeResult fromStream = decodeRecordingFd(stream.fd());
        EXPECT_TRUE(fromStream.crcOk()) << name << ": " << fromStream.reason;
        EXPECT_EQ(fromStream.frame, fromFile.frame) << name;
        EXPECT_EQ(fromStream.report.start_s, fromFile.report.start_s) << name;
    }
    lab::writeSound(path("c.flac"), signal_, 16'000, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    lab::writeSound(path("d.ogg"), signal_, 16'000, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    for (const std::string name : {"c.flac", "d.ogg"}) {
        HeldStream stream(fileBytes(path(name)));
        EXPECT_EQ(decodeRecordingFd(stream.fd()).frame, frame_) << name;
        EXPECT_FALSE(stream.waitedForTheEnd()) << name;
    }
    {
        // A read that fails while libsndfile reads comes back as the stream's own error.
        const std::vector<std::uint8_t> flac = fileBytes(path("c.flac"));
        HeldStream stream(std::vector<std::uint8_t>(flac.begin(), flac.begin() + std::ssize(flac) / 2));
        const timeval giveUp {0, 200'000};
        ASSERT_EQ(::setsockopt(stream.fd(), SOL_SOCKET, SO_RCVTIMEO, &giveUp, sizeof giveUp), 0);
        EXPECT_THROW(decodeRecordingFd(stream.fd()), RecordingError);
    }
    {
        HeldStream stream(std::vector<std::uint8_t>(12, 0));
        EXPECT_THROW(decodeRecordingFd(stream.fd()), RecordingError);
        EXPECT_FALSE(stream.waitedForTheEnd());
    }
    EXPECT_EQ(refusal("/dev/zero"), "not a WAV, FLAC or OGG recording");
}

// WAVs only libsndfile reads (big-endian RIFX, RF64), arriving in pieces that cut their
// samples, read as the file does while the writer holds the stream open: within the 1 MiB the
// stream looks ahead (where stepping over the data chunk would wait for the stream's end) and
// beyond it.
TEST_F(RecordingReader, LibraryWavThroughAStreamReadsAsTheFile)
{
    const std::pair<const char*, int> layouts[]
        = {{"RIFX 24-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_24 | SF_ENDIAN_BIG},
            {"RF64 16-bit", SF_FORMAT_RF64 | SF_FORMAT_PCM_16}};
    for (const auto& [name, format] : layouts) {
        for (const int silence_s : {2, 12}) {
            std::vector<float> longer = signal_;
            longer.resize(signal_.size() + static_cast<std::size_t>(silence_s) * 16'000, 0.0f);
            lab::writeSound(path("a.wav"), longer, 16'000, format, 3);
            const std::vector<std::uint8_t> bytes = fileBytes(path("a.wav"));
            EXPECT_EQ(bytes.size() > std::size_t {5} << 18, silence_s > 2) << name;
            const DecodeResult fromFile = decodeRecording(path("a.wav"));
            ASSERT_TRUE(fromFile.crcOk()) << name << ": " << fromFile.reason;
            HeldStream stream(bytes, 1001);
            expectSameReading(fromFile, decodeRecordingFd(stream.fd()), name);
            EXPECT_FALSE(stream.waitedForTheEnd()) << name << ", " << silence_s << " s of silence";
        }
    }
}

// The RMS level of samples can never exceed their peak: clean, faint, noisy, offset and
// clipped sends (a clipped one is nearly square, where a sine-referenced level would read
// 3 dB above its peak).
TEST_F(RecordingReader, PeakIsNeverBelowTheLevel)
{
    std::mt19937 rng(5);
    const auto changed = [&](float gain, float offset, double noise) {
        std::vector<float> x = signal_;
        lab::addNoise(x, noise, rng);
        for (float& v : x)
            v = std::clamp(v * gain + offset, -1.0f, 1.0f);
        return x;
    };
    const std::vector<std::pair<const char*, std::vector<float>>> cases = {
        {"clean", signal_},
        {"faint", changed(0.01f, 0.0f, 0.0)},
        {"noisy", changed(1.0f, 0.0f, 0.2)},
        {"offset", changed(0.5f, 0.4f, 0.0)},
        {"clipped", changed(20.0f, 0.0f, 0.0)},
    };
    for (const auto& [name, samples] : cases) {
        const DecodeResult r = decodeSamples(samples, 16'000.0);
        ASSERT_TRUE(r.decoded()) << name << ": " << r.reason;
        EXPECT_GE(r.report.peak_dBFS, r.report.level_dBFS) << name;
    }
}

// A signal on any one channel, alone or with an inverted copy on another (which the mix of
// the two would cancel), and the level of that channel, not of the mix.
TEST_F(RecordingReader, EveryChannelCounts)
{
    const std::vector<float> silence(signal_.size(), 0.0f);
    std::vector<float> inverted = signal_;
    lab::gain(inverted, -1.0);
    lab::writeChannels(path("inverted.wav"), {signal_, inverted}, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    DecodeResult r = decodeRecording(path("inverted.wav"));
    EXPECT_TRUE(r.crcOk()) << r.reason;
    EXPECT_EQ(r.frame, frame_);

    std::vector<std::vector<float>> many(64, silence);
    many[36] = signal_;
    lab::writeChannels(path("many.wav"), many, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    r = decodeRecording(path("many.wav"));
    EXPECT_TRUE(r.crcOk()) << r.reason;
    EXPECT_EQ(r.report.channel, 37);
    EXPECT_EQ(r.report.channels, 64);
    lab::writeSound(path("mono.wav"), signal_, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_NEAR(r.report.level_dBFS, decodeRecording(path("mono.wav")).report.level_dBFS, 0.05);
}

// A caller's rate that is no number or far too large is refused and named, not converted.
TEST_F(RecordingReader, ImpossibleRatesAreRefusedByName)
{
    const struct {
        double rate;
        const char* named;
    } cases[] = {{std::nan(""), "nan"}, {1e300, "1e+300"}, {-1e300, "-1e+300"}, {HUGE_VAL, "inf"},
        {96'001.0, "96001"}, {7'999.5, "7999.5"}};
    for (const auto& c : cases) {
        try {
            decodeSamples(signal_, c.rate);
            ADD_FAILURE() << "rate " << c.rate << " was accepted";
        } catch (const RecordingError& e) {
            EXPECT_EQ(std::string(e.what()),
                "sample rate " + std::string(c.named) + " Hz is outside 8000..96000 Hz");
        }
    }
}

TEST_F(RecordingReader, TruncatedWavReadsWhatIsThere)
{
    // A recording stopped mid-write: libsndfile reads the samples present, the decoder says
    // the signal ends early.
    lab::writeSound(path("whole.wav"), signal_, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::filesystem::resize_file(path("whole.wav"), 44 + 2 * 40'000);
    const DecodeResult r = decodeRecording(path("whole.wav"));
    EXPECT_EQ(r.outcome, DecodeOutcome::EndsEarly) << r.reason;
}

} // namespace
} // namespace tarvel
