#include "SynthMath.h"

#include <cmath>

namespace synth {

double wrapTurns(double x) { return x - std::floor(x); }

double sineOfTurns(double turns) {
    // Reduce to [-1/2, 1/2) turns, then fold onto [-pi/2, pi/2] where the
    // Taylor series converges to well below 16-bit precision.
    double t = turns - std::floor(turns + 0.5);
    double x = 2.0 * kPi * t;
    if (x > kPi / 2) x = kPi - x;
    if (x < -kPi / 2) x = -kPi - x;
    double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 8; ++n) {
        term = -term * x2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}

double exponential(double x) {
    const double ln2 = 0.69314718055994530942;
    double k = std::floor(x / ln2 + 0.5);
    double r = x - k * ln2;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 14; ++n) {
        term = term * r / n;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

double powerOfTwo(double x) { return exponential(x * 0.69314718055994530942); }

double Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
}

OnePoleLowPass::OnePoleLowPass(double cutoffOverRate) : coefficient(1.0 - exponential(-2.0 * kPi * cutoffOverRate)) {}

double OnePoleLowPass::process(double input) {
    state += coefficient * (input - state);
    return state;
}

StateVariableFilter::StateVariableFilter(double cutoffOverRate, double damping) : damping(damping) {
    setCutoff(cutoffOverRate);
}

void StateVariableFilter::setCutoff(double cutoffOverRate) {
    // Beyond about a sixth of the rate this filter form turns unstable.
    if (cutoffOverRate > 0.16) cutoffOverRate = 0.16;
    frequency = 2.0 * sineOfTurns(cutoffOverRate / 2.0);
}

void StateVariableFilter::process(double input) {
    low += frequency * band;
    high = input - low - damping * band;
    band += frequency * high;
}

std::vector<int16_t> toPcm16(const std::vector<double>& signal, double peak) {
    double largest = 0.0;
    for (double value : signal) largest = std::fmax(largest, std::fabs(value));
    double scale = largest > 0.0 ? peak * 32767.0 / largest : 0.0;
    std::vector<int16_t> pcm;
    pcm.reserve(signal.size());
    for (double value : signal) {
        double scaled = std::floor(value * scale + 0.5);
        if (scaled > 32767.0) scaled = 32767.0;
        if (scaled < -32768.0) scaled = -32768.0;
        pcm.push_back(static_cast<int16_t>(scaled));
    }
    return pcm;
}

}  // namespace synth
