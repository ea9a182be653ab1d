#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the 128 tone symbols that follow a lead-in out of the tone bins, recovers their
// timing from the tone changes, and turns them into the frame.

#include "decode/DecodeResult.h"
#include "decode/ToneBins.h"

#include <cstddef>
#include <span>

namespace tarvel {

// Where the bin stream saw a long 615 Hz run, in bin indices of the span given to
// readSymbols. Both positions are rough (within a few tens of milliseconds).
struct LeadInSighting {
    std::ptrdiff_t onset; // the run starts about here
    std::ptrdiff_t change; // and gives way to another tone about here
    std::ptrdiff_t spread; // either may be off by this many bins
    bool onsetSeen; // false when the run was cut (longer than a lead-in)
};

// `bins` starts at or before the sighting's onset. report.start_s is relative to bins[0].
DecodeResult readSymbols(
    std::span<const ToneBin> bins, const LeadInSighting& sighting, const BinScale& scale);

} // namespace tarvel
