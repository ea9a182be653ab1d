// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/DecodeJson.h"

#include "decode/FrameWords.h"
#include "frame/FrameBuild.h"
#include "frame/FrameCheck.h"
#include "frame/SettingsFile.h"
#include "shared/JsonText.h"
#include "shared/NumberText.h"

namespace tarvel {

namespace {

std::string settingsOf(const DecodeResult& r)
{
    if (!r.crcOk())
        return "null";
    const std::optional<FrameParameters> params = userParametersOf(r.frame);
    return params ? settingsJson(*params, {}, SettingsLayout::OneLine) : "null";
}

} // namespace

const char* decodeStatusWord(const DecodeResult& r)
{
    switch (r.outcome) {
    case DecodeOutcome::Decoded:
        return r.crcOk() ? "ok" : "crc mismatch";
    case DecodeOutcome::NoSignal:
        return "no signal";
    case DecodeOutcome::NoLeadIn:
        return "no lead-in";
    case DecodeOutcome::EndsEarly:
        return "ends early";
    }
    return "no signal";
}

std::string decodeResultJson(const DecodeResult& r)
{
    std::string json = "{\"status\":" + jsonString(decodeStatusWord(r));
    if (!r.decoded())
        return json + ",\"reason\":" + jsonString(r.reason)
            + ",\"symbols_read\":" + std::to_string(r.symbolsRead) + "}";
    json += ",\"frame\":" + jsonString(frameHex(r.frame)) + ",\"crc\":{\"ok\":"
        + (r.crcOk() ? "true" : "false") + ",\"computed\":" + jsonString(WordHex(r.computedCrc))
        + ",\"received\":" + jsonString(WordHex(r.receivedCrc)) + "}";
    json += ",\"corrected_symbols\":" + std::to_string(r.correctedSymbols);
    json += std::string(",\"markers_ok\":") + (markersOk(r.frame) ? "true" : "false");
    const auto params = describeFrame(r.frame);
    for (bool user : {true, false}) {
        json += user ? ",\"parameters\":{" : ",\"fixed\":{";
        bool first = true;
        for (const auto& p : params) {
            if (p.userSettable != user)
                continue;
            json += (first ? "" : ",") + jsonString(p.key) + ":" + p.json;
            first = false;
        }
        json += "}";
    }
    json += ",\"settings\":" + settingsOf(r);
    const SignalReport& s = r.report;
    return json + ",\"signal\":{\"sample_rate_hz\":" + jsonNumber(s.sampleRate_hz, 0) + ",\"start_s\":"
        + jsonNumber(s.start_s, 4) + ",\"level_dbfs\":" + jsonNumber(s.level_dBFS, 2) + ",\"peak_dbfs\":"
        + jsonNumber(s.peak_dBFS, 2) + ",\"clock_skew_percent\":" + jsonNumber(s.clockSkew_percent, 3)
        + ",\"snr_db\":" + jsonNumber(s.snr_dB, 1) + ",\"weakest_margin_db\":"
        + jsonNumber(s.weakestMargin_dB, 1) + ",\"weakest_symbol\":" + std::to_string(s.weakestSymbol)
        + ",\"channel\":" + std::to_string(s.channel) + ",\"channels\":" + std::to_string(s.channels) + "}}";
}

} // namespace tarvel
