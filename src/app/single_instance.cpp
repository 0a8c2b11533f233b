// The second start's decision.
#include "app/single_instance.h"

#include "base/cp932.h"

InstanceStart ClaimInstance(InstanceGate& gate, uint32_t patienceMs) {
    switch (gate.TryClaim()) {
    case InstanceGate::Claim::kOurs:
    case InstanceGate::Claim::kUnavailable:
        return InstanceStart::kRun;
    case InstanceGate::Claim::kTaken:
        break;
    }
    // The owner may still be starting (no window yet) or ending (its window gone or going):
    // ask again every step, and take over if it ends meanwhile.
    uint32_t start = gate.Milliseconds();
    do {
        if (gate.ShowRunning()) return InstanceStart::kEnd;
        if (gate.WaitForClaim(kInstanceStepMs)) return InstanceStart::kRun;
    } while (gate.Milliseconds() - start < patienceMs);
    return InstanceStart::kEnd;
}

std::string InstanceName(const std::string& appName, const std::string& user) {
    std::string name = "Orlimo.Tolvane.";
    for (size_t i = 0; i < user.size(); ++i) name += user[i] == '\\' ? '_' : user[i];
    name += '.';
    // By characters: a trail byte of code page 932 may look like a lower-case letter.
    for (size_t i = 0; i < appName.size();) {
        size_t n = Cp932CharLength(appName, i);
        char c = appName[i];
        if (n == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (n == 1 && c == '\\') c = '_';
        name += c;
        if (n == 2) name += appName[i + 1];
        i += n;
    }
    return name;
}
