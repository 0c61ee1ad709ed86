#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Spectral checks of captured PCM: a radix-2 FFT behind a 4-term
// Blackman-Harris window (sidelobes near -92 dB), magnitudes in dB.
namespace Spectrum {

// Magnitude in dB of bins 0..n/2 of the windowed FFT of n samples of one
// channel (stride apart, starting at first); n is a power of two.
std::vector<double> magnitudes(const int16_t *first, size_t n, size_t stride);

struct Spur {
    double toneDb = 0;       // peak at the tone
    double worstDb = -400;   // strongest bin away from the tone, relative to it
    double worstHz = 0;
};

// Strongest component more than guardHz away from toneHz (and above minHz,
// so the window's DC leakage and any offset stay out) relative to the tone.
Spur worstSpur(const std::vector<double> &db, uint32_t rate, double toneHz, double guardHz, double minHz = 20);

} // namespace Spectrum
