// What each control of the monitor window was last given.
#include "ui/control_texts.h"

#include "res/resource.h"

namespace {

struct TextControl {
    int id;
    const std::string MonitorTexts::*text;
};
const TextControl kTextControls[] = {
    {IDC_SESSION_TIME, &MonitorTexts::sessionTime},
    {IDC_MONTH_TOTAL, &MonitorTexts::monthTotal},
    {IDC_COUNTDOWN, &MonitorTexts::countdown},
};

}  // namespace

bool ControlTextCache::Changed(int id, const std::string& text) {
    if (std::string* shown = Find(id)) {
        if (*shown == text) return false;
        *shown = text;
        return true;
    }
    shown_.emplace_back(id, text);
    return true;
}

void ControlTextCache::Record(int id, const std::string& text) { Changed(id, text); }

std::string* ControlTextCache::Find(int id) {
    for (auto& s : shown_)
        if (s.first == id) return &s.second;
    return nullptr;
}

void PushChangedTexts(ControlTextCache& cache, const MonitorTexts& texts,
                      const std::function<void(int id, const std::string& text)>& set) {
    for (const TextControl& c : kTextControls) {
        const std::string& text = texts.*c.text;
        if (cache.Changed(c.id, text)) set(c.id, text);
    }
}

void RecordTexts(ControlTextCache& cache, const MonitorTexts& texts) {
    for (const TextControl& c : kTextControls) cache.Record(c.id, texts.*c.text);
}
