#include "core/EngineOwner.h"

#include <utility>

bool EngineOwner::request(User user, std::function<void()> start)
{
    if (m_holder != User::None && m_holder != user) {
        m_pending[index(user)] = std::move(start);
        return false;
    }
    m_holder = user;
    m_pending[index(user)] = nullptr;
    if (start)
        start();
    return true;
}

void EngineOwner::release(User user)
{
    m_pending[index(user)] = nullptr;
    if (m_holder != user)
        return;
    m_holder = User::None;
    const User other = user == User::Run ? User::Check : User::Run;
    if (std::function<void()> start = std::exchange(m_pending[index(other)], nullptr)) {
        m_holder = other;
        start();
    }
}
