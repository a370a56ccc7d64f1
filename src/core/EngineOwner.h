#pragma once

#include <functional>

// The one session engine serves one user at a time: a run (from its first server to
// the end of its rotation) or a login check (the settings dialog's verification or
// the single-server check). A user asks for it; when it is taken, the request waits
// and is granted, and its start called, as soon as the holder lets go.
class EngineOwner
{
public:
    enum class User { None, Run, Check };

    User holder() const { return m_holder; }
    bool heldBy(User user) const { return m_holder == user; }
    bool waiting(User user) const { return bool(m_pending[index(user)]); }

    // Grants the engine to `user` and calls `start` now when it is free or already
    // held by `user`; otherwise keeps `start` (replacing an earlier one of the same
    // user) for when it is released, and returns false.
    bool request(User user, std::function<void()> start);
    // Lets go of the engine if `user` holds it, and drops a request of `user` that
    // still waits; the other user's waiting request is then granted.
    void release(User user);

private:
    static int index(User user) { return user == User::Run ? 0 : 1; }

    User m_holder = User::None;
    std::function<void()> m_pending[2];
};
