#pragma once
// Helpers shared by the signal tests: a program state that starts fresh, a private
// folder that is removed afterwards, and whole-file reads.

#include "shared/Sinks.h"
#include "shared/SharedState.h"
#include "signal/ToneSignal.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace tarvel::testing {

// Everything one program run keeps, as at start-up, with the window's defaults.
struct ProgramRun {
    SharedState shared;
    GeneratorState generator;
    FixedFilterSwitch filterSwitch{true};
    PointsSink filterChart;
    PointsSink signalChart;
    SignalContext ctx{shared, generator, filterSwitch, filterChart, signalChart};

    std::int32_t send(const Frame& frame)
    {
        shared.frame = frame;
        filterChart.clear(); // the send command clears the filter chart first
        return FormFM(ctx);
    }
};

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvel-signal-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Every name in the folder, hidden ones included.
    std::set<std::string> names() const
    {
        std::set<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            result.insert(entry.path().filename().string());
        return result;
    }

private:
    std::filesystem::path path_;
};

// The whole file; empty if it cannot be read.
inline std::string readFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return {};
    std::string bytes(size, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// Sample i of a WAV file's data chunk (behind the 44-byte header).
inline std::int16_t wavSample(const std::string& wav, std::size_t i)
{
    const auto lo = static_cast<unsigned char>(wav.at(44 + 2 * i));
    const auto hi = static_cast<unsigned char>(wav.at(44 + 2 * i + 1));
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

// A frame whose 16 bytes all equal `byte`: 0xFF gives the shortest signal, 0x00 the
// longest (the generator does not care that the markers and CRC are not real).
inline Frame uniformFrame(std::uint8_t byte)
{
    Frame f;
    f.fill(byte);
    return f;
}

} // namespace tarvel::testing
