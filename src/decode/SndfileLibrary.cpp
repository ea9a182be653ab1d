// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/SndfileLibrary.h"

#include "decode/RecordingError.h"

#include <dlfcn.h>

#include <optional>
#include <string>

namespace tarvel {

namespace {

constexpr const char* kSoname = "libsndfile.so.1";

template <typename Function> bool resolve(void* handle, const char* name, Function& function)
{
    void* symbol = ::dlsym(handle, name);
    function = reinterpret_cast<Function>(symbol);
    return symbol != nullptr;
}

// Empty when the library or one of its functions is missing. The handle is kept open for
// the rest of the process: the functions are used for as long as it runs.
std::optional<SndfileLibrary> load()
{
    void* handle = ::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return std::nullopt;
    SndfileLibrary library;
    if (resolve(handle, "sf_open_fd", library.openFd)
        && resolve(handle, "sf_open_virtual", library.openVirtual)
        && resolve(handle, "sf_readf_float", library.readFramesFloat)
        && resolve(handle, "sf_error", library.error) && resolve(handle, "sf_close", library.close))
        return library;
    ::dlclose(handle);
    return std::nullopt;
}

} // namespace

const SndfileLibrary& sndfileLibrary(const char* container)
{
    static const std::optional<SndfileLibrary> library = load();
    if (!library)
        throw RecordingError("reading this " + std::string(container)
            + " file needs libsndfile (package libsndfile1), which could not be loaded");
    return *library;
}

} // namespace tarvel
