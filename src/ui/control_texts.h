// The monitor window's changing texts, set on their controls only when they change. Every
// tick hands over all of them twice a second, and each text set redraws its control: an
// unchanged text set again only flickers.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "monitor/display_texts.h"

class ControlTextCache {
public:
    // True when `text` differs from what control `id` was last given, or it was given nothing
    // yet; from now on `text` counts as its text.
    bool Changed(int id, const std::string& text);
    // Something else gave control `id` this text (the window's data exchange).
    void Record(int id, const std::string& text);

private:
    std::string* Find(int id);
    std::vector<std::pair<int, std::string>> shown_;
};

// Sets, through `set` (control id, text), those of the three changing texts that differ from
// what their controls were last given.
void PushChangedTexts(ControlTextCache& cache, const MonitorTexts& texts,
                      const std::function<void(int id, const std::string& text)>& set);

// The three texts as the data exchange has just put them into their controls.
void RecordTexts(ControlTextCache& cache, const MonitorTexts& texts);
