// One Tolvane per application name and log-on session: a second start brings the running
// one's monitor window up and ends, before it has touched the registry or the logs. Two
// copies would each log every session, so every line would be in the log twice.
#pragma once

#include <cstdint>
#include <string>

// The platform's side: a lock that its owner holds for its whole run (and loses when it
// ends, however it ends), and a way to reach the owner's monitor window.
class InstanceGate {
public:
    enum class Claim {
        kOurs,         // this process now holds the lock
        kTaken,        // another process holds it
        kUnavailable,  // the lock cannot be made at all
    };

    InstanceGate() = default;
    InstanceGate(const InstanceGate&) = delete;
    InstanceGate& operator=(const InstanceGate&) = delete;
    virtual ~InstanceGate() = default;

    virtual Claim TryClaim() = 0;
    // Waits up to `ms` for the lock; true when it became ours (the owner has ended).
    virtual bool WaitForClaim(uint32_t ms) = 0;
    // A clock in milliseconds (it may wrap round).
    virtual uint32_t Milliseconds() = 0;
    // Asks the owner's monitor window to come up, as its "show window" command does. True
    // when the window answered that it did and goes on running; false when there is no
    // window yet (still starting), or it is on its way out.
    virtual bool ShowRunning() = 0;
};

enum class InstanceStart { kRun, kEnd };

// How long a second start waits for the first to show its window (or to end) before it
// gives up and ends too: a first copy that never gets as far is still counting alone.
constexpr uint32_t kInstancePatienceMs = 30000;
constexpr uint32_t kInstanceStepMs = 100;
// How long the owner's window has to answer: it may be busy with a hang-up or a sound.
constexpr uint32_t kInstanceAnswerMs = 2000;

// Whether this start runs: kRun when the lock is ours, at once or once the owner ended while
// we looked, and also when no lock can be had (better a second copy than none); kEnd once
// the owner's window has come up, or after `patienceMs` without either.
InstanceStart ClaimInstance(InstanceGate& gate, uint32_t patienceMs = kInstancePatienceMs);

// The name the lock and the window's record share: the application name folded to upper
// case (file names and registry keys ignore case, so "tolvane.exe" has Tolvane's settings),
// qualified by the user, so that another user's run in the same session is another program.
std::string InstanceName(const std::string& appName, const std::string& user);
