#pragma once

#include <QtGlobal>

namespace platform {

// The classic Basic runtime's process-wide generator (Rnd and Randomize), bit-exact,
// so that settings scrambled by the original runtime read back unchanged.
// A 24-bit state, 0x50000 in a fresh process.
class RuntimeRandom
{
public:
    static constexpr quint32 kInitialState = 0x50000;

    // Rnd without an argument: steps and returns state / 2^24.
    float next();
    // Rnd(x): x < 0 reseeds from the bits of x, then steps; x == 0 repeats the last
    // value without stepping; x > 0 is next().
    float draw(float x);
    // Randomize v: mixes the upper 32 bits of the double v into bits 8..23 of the state.
    void mix(double v);

    quint32 state() const { return m_state; }
    void setState(quint32 state) { m_state = state & 0xFFFFFF; }

    // The one generator of the process, as the runtime had it.
    static RuntimeRandom& process();

private:
    quint32 m_state = kInitialState;
};

} // namespace platform
