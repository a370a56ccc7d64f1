#include "platform/RuntimeRandom.h"

#include <bit>
#include <cstdint>

namespace platform {

namespace {
constexpr float kScale = 16777216.0f; // 2^24: the state as a fraction of one
}

float RuntimeRandom::next()
{
    m_state = (m_state * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
    return static_cast<float>(m_state) / kScale;
}

float RuntimeRandom::draw(float x)
{
    if (x < 0.0f) {
        const auto s = std::bit_cast<quint32>(x);
        m_state = (s + (s >> 24)) & 0xFFFFFFu; // unsigned: a logical shift
        return next();
    }
    if (x == 0.0f)
        return static_cast<float>(m_state) / kScale;
    return next();
}

void RuntimeRandom::mix(double v)
{
    const auto hi = static_cast<quint32>(std::bit_cast<std::uint64_t>(v) >> 32);
    const quint32 mixed = (hi & 0xFFFFu) ^ (hi >> 16);
    m_state = (m_state & 0xFFu) | (mixed << 8);
}

RuntimeRandom& RuntimeRandom::process()
{
    static RuntimeRandom generator;
    return generator;
}

} // namespace platform
