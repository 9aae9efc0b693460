// Deterministic arithmetic for the instrument synthesis. The samples must come
// out bit-identical on every machine, so the few transcendental functions the
// synthesis needs are computed here from basic IEEE operations instead of the
// C library, whose last-bit results may differ between versions.
#pragma once

#include <cstdint>
#include <vector>

namespace synth {

constexpr double kPi = 3.14159265358979323846;

// sin(2 pi turns).
double sineOfTurns(double turns);

// e^x.
double exponential(double x);

// 2^x.
double powerOfTwo(double x);

// The fractional part of x, in [0, 1).
double wrapTurns(double x);

// A seeded xorshift generator: the same stream on every run.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
    // Uniform in [-1, 1).
    double next();

private:
    uint32_t state;
};

// A one-pole low-pass filter; cutoff given as a fraction of the sample rate.
class OnePoleLowPass {
public:
    explicit OnePoleLowPass(double cutoffOverRate);
    double process(double input);

private:
    double coefficient;
    double state = 0.0;
};

// A two-pole state-variable filter with low-, band- and high-pass outputs.
class StateVariableFilter {
public:
    StateVariableFilter(double cutoffOverRate, double damping);
    void setCutoff(double cutoffOverRate);
    void process(double input);
    double low = 0.0;
    double band = 0.0;
    double high = 0.0;

private:
    double frequency;
    double damping;
};

// Scales a signal so its largest magnitude becomes `peak` and rounds it to
// 16-bit samples.
std::vector<int16_t> toPcm16(const std::vector<double>& signal, double peak);

}  // namespace synth
