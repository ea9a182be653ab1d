#include "signal/WavFiles.h"

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
    // One send at a time per folder; with the others kept out, a temporary file named like
    // ours is one whose writer was killed.
    const FolderLock lock(folder);
    if (lock.held()) {
        AtomicFile::removeStaleTemporaries(folder / kWavFileName);
        AtomicFile::removeStaleTemporaries(folder / kFmSigFileName);
    }
    AtomicFile wav(folder / kWavFileName);
    wav.write(wavHeader());
    const std::int32_t n = FormFM(ctx);
    writeWavData(wav, ctx.shared.samples, n);
    AtomicFile table(folder / kFmSigFileName);
    WriteFmSig(ctx.shared.samples, table);
    // Both are complete before either replaces its predecessor; they go in place in the
    // order they were written.
    wav.commit();
    table.commit();
    return n;
}

} // namespace tarvel
