#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A tone captured from the output, looked at between its first and last
// loud sample: a hole shows as a run of near-silence, a lost or doubled
// stretch as a jump between neighbouring samples or a wrong length.
struct PcmSeam
{
    std::size_t toneFrames = 0;       // first to last loud frame, inclusive
    std::size_t firstLoudFrame = 0;
    std::size_t longestQuietRun = 0;  // frames in a row below quietLevel
    std::size_t quietRunAt = 0;       // where that run begins
    int largestStep = 0;              // between neighbouring frames of one channel
    std::size_t largestStepAt = 0;

    // Interleaved 16-bit frames; channel picks the one looked at.
    static PcmSeam of(const std::vector<std::int16_t> &interleaved, int channels, int channel = 0,
                      int loudLevel = 1000, int quietLevel = 40);
    std::string describe() const;
};

// Frames of reference that differ from the capture once both are lined up
// on their first loud frame (all of them when the capture's tone starts
// earlier); first gets the first differing frame.
std::size_t framesDiffering(const std::vector<std::int16_t> &capture, const std::vector<std::int16_t> &reference,
                            int channels, std::size_t *first = nullptr);
