#pragma once
// Replaces a file as a whole or not at all: the bytes go to a temporary file in the
// same folder, and only commit() renames it over the target. Until then the previous
// file stays as it was; a failure or an abandoned write removes the temporary file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

namespace tarvel {

// A file that could not be created or written. what() is the text the window shows:
// Cannot create file "<full path>". <the system's description of the error>
class FileError : public std::runtime_error {
public:
    FileError(const std::filesystem::path& path, int errorNumber);
    const std::filesystem::path& path() const noexcept { return path_; }
    int errorNumber() const noexcept { return errorNumber_; }

private:
    std::filesystem::path path_;
    int errorNumber_;
};

// The absolute form of `path` with its folder resolved as the system resolves it (symbolic
// links and ".." followed), as reports and error texts name files.
std::filesystem::path fullPath(const std::filesystem::path& path);

class AtomicFile {
public:
    // Creates the temporary file beside `target`. Throws FileError (naming the target)
    // when that is impossible, or when the target is a folder or an existing file that
    // may not be written.
    explicit AtomicFile(const std::filesystem::path& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends all of `bytes`; throws FileError on any failure (full disk, size limit...).
    void write(std::span<const std::uint8_t> bytes);
    void write(std::string_view text);

    // Closes the temporary file and renames it over the target; throws FileError.
    void commit();

    const std::filesystem::path& target() const noexcept { return target_; }
    // The temporary file while the write is in progress (empty once committed).
    const std::filesystem::path& temporaryPath() const noexcept { return temporary_; }

private:
    [[noreturn]] void fail(int errorNumber);
    void discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
};

} // namespace tarvel
