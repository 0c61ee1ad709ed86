#include "PcmSeam.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

PcmSeam PcmSeam::of(const std::vector<std::int16_t> &interleaved, int channels, int channel, int loudLevel,
                    int quietLevel)
{
    PcmSeam seam;
    const std::size_t frames = interleaved.size() / std::size_t(channels);
    const auto at = [&](std::size_t frame) { return int(interleaved[frame * std::size_t(channels) + std::size_t(channel)]); };
    std::size_t first = frames;
    std::size_t last = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        if (std::abs(at(i)) >= loudLevel) {
            if (first == frames)
                first = i;
            last = i;
        }
    }
    if (first == frames)
        return seam;
    seam.firstLoudFrame = first;
    seam.toneFrames = last - first + 1;
    std::size_t run = 0;
    for (std::size_t i = first; i <= last; ++i) {
        run = std::abs(at(i)) < quietLevel ? run + 1 : 0;
        if (run > seam.longestQuietRun) {
            seam.longestQuietRun = run;
            seam.quietRunAt = i + 1 - run;
        }
        if (i > first) {
            const int step = std::abs(at(i) - at(i - 1));
            if (step > seam.largestStep) {
                seam.largestStep = step;
                seam.largestStepAt = i;
            }
        }
    }
    return seam;
}

std::string PcmSeam::describe() const
{
    return "tone of " + std::to_string(toneFrames) + " frames from " + std::to_string(firstLoudFrame)
         + ", longest quiet run " + std::to_string(longestQuietRun) + " at " + std::to_string(quietRunAt)
         + ", largest step " + std::to_string(largestStep) + " at " + std::to_string(largestStepAt);
}

std::size_t framesDiffering(const std::vector<std::int16_t> &capture, const std::vector<std::int16_t> &reference,
                            int channels, std::size_t *first)
{
    const std::size_t width = std::size_t(channels);
    const PcmSeam heard = PcmSeam::of(capture, channels);
    const PcmSeam meant = PcmSeam::of(reference, channels);
    if (heard.firstLoudFrame < meant.firstLoudFrame)
        return reference.size() / width;
    const std::size_t offset = (heard.firstLoudFrame - meant.firstLoudFrame) * width;
    std::size_t differing = 0;
    for (std::size_t i = 0; i + width <= reference.size(); i += width) {
        bool same = offset + i + width <= capture.size();
        for (std::size_t c = 0; same && c < width; ++c)
            same = capture[offset + i + c] == reference[i + c];
        if (!same && differing++ == 0 && first)
            *first = i / width;
    }
    return differing;
}
