// SPDX-License-Identifier: GPL-3.0-or-later
#include "signal/WavFiles.h"

#include "shared/FolderHandle.h"
#include "shared/FolderLock.h"

namespace tarvel {

void writeWavData(AtomicFile& file, std::span<const std::int16_t> samples, std::int32_t signalSamples)
{
    forEachWavDataBlock(
        samples, signalSamples, [&file](std::span<const std::uint8_t> block) { file.write(block); });
}

void WriteFmSig(std::span<const std::int16_t> samples, AtomicFile& table)
{
    table.write(fmSigText(samples));
}

std::int32_t WriteRiff(SignalContext& ctx, const std::filesystem::path& folder)
{
    // The folder is opened once: a link re-pointed meanwhile cannot part the two files.
    const FolderHandle dir(folder);
    // One send at a time per folder; with the others kept out, a temporary file named like
    // ours is one whose writer was killed.
    const FolderLock lock(dir);
    if (lock.held()) {
        AtomicFile::removeStaleTemporaries(dir, kWavFileName);
        AtomicFile::removeStaleTemporaries(dir, kFmSigFileName);
    }
    AtomicFile wav(dir, kWavFileName);
    wav.write(wavHeader());
    const std::int32_t n = FormFM(ctx);
    writeWavData(wav, ctx.shared.samples, n);
    AtomicFile table(dir, kFmSigFileName);
    WriteFmSig(ctx.shared.samples, table);
    // Both are complete before either replaces its predecessor; they go in place in the
    // order they were written, with no catchable signal between them.
    AtomicFile::commitTogether({&wav, &table});
    return n;
}

} // namespace tarvel
