#include "Spectrum.h"

#include <cmath>
#include <complex>

namespace Spectrum {

namespace {

void fft(std::vector<std::complex<double>> &a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * M_PI / double(len);
        for (size_t i = 0; i < n; i += len) {
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, angle * double(k));
                const auto u = a[i + k];
                const auto v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

} // namespace

std::vector<double> magnitudes(const int16_t *first, size_t n, size_t stride)
{
    std::vector<std::complex<double>> a(n);
    constexpr double c[4] = {0.35875, 0.48829, 0.14128, 0.01168};
    for (size_t i = 0; i < n; ++i) {
        const double x = 2 * M_PI * double(i) / double(n);
        const double w = c[0] - c[1] * std::cos(x) + c[2] * std::cos(2 * x) - c[3] * std::cos(3 * x);
        a[i] = double(first[i * stride]) * w;
    }
    fft(a);
    std::vector<double> db(n / 2 + 1);
    for (size_t i = 0; i < db.size(); ++i)
        db[i] = 20 * std::log10(std::abs(a[i]) + 1e-9);
    return db;
}

Spur worstSpur(const std::vector<double> &db, uint32_t rate, double toneHz, double guardHz, double minHz)
{
    const size_t n = (db.size() - 1) * 2;
    const double binHz = double(rate) / double(n);
    Spur s;
    for (size_t i = 0; i < db.size(); ++i)
        if (std::abs(double(i) * binHz - toneHz) <= guardHz)
            s.toneDb = std::max(s.toneDb, db[i]);
    for (size_t i = 0; i < db.size(); ++i) {
        const double hz = double(i) * binHz;
        if (hz < minHz || std::abs(hz - toneHz) <= guardHz)
            continue;
        if (db[i] - s.toneDb > s.worstDb) {
            s.worstDb = db[i] - s.toneDb;
            s.worstHz = hz;
        }
    }
    return s;
}

} // namespace Spectrum
