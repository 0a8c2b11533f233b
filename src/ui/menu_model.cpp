// The context menus' contents and the per-connection command handlers.
#include "ui/menu_model.h"

#include <cstring>

#include "monitor/connection_table.h"
#include "ras/hang_up.h"
#include "res/resource.h"

const uint32_t kMenuCommands[kMenuCommandCount] = {
    ID_SHOW_WINDOW, ID_ABOUT, ID_HELP_INDEX, ID_SETTINGS, ID_DISPLAY_FIRST, ID_CONNECT, ID_DISCONNECT, ID_EXIT,
};

namespace {

std::string EntryName(const ConnectionRecord& r) {
    return std::string(r.rasConn.szEntryName, strnlen(r.rasConn.szEntryName, sizeof r.rasConn.szEntryName));
}

// The record behind a command index, or null when it is no longer active.
const ConnectionRecord* ActiveAt(uint32_t index) {
    return index < kSlotCount ? ConnectionTable.active[index] : nullptr;
}

// The record behind a command index while it is still the connection the menu showed there.
// The index alone could name another line by now: one that ended moves the rest up.
const ConnectionRecord* ShownAt(uint32_t index, const MenuEntries& shown) {
    const ConnectionRecord* r = ActiveAt(index);
    if (!r || index >= kSlotCount || shown.names[index].empty() || EntryName(*r) != shown.names[index]) return nullptr;
    return r;
}

uint32_t ActiveCount() {
    return ConnectionTable.activeCount < kSlotCount ? ConnectionTable.activeCount : kSlotCount;
}

}  // namespace

std::string MenuText(const std::string& entry) {
    size_t newline = entry.find('\n');
    return newline == std::string::npos ? entry : entry.substr(newline + 1);
}

std::vector<MenuItem> BuildContextMenu(bool tray, const std::string& displayedEntryName,
                                       const StringLoader& loadString) {
    std::vector<MenuItem> items;
    for (uint32_t id : kMenuCommands) {
        if (id == ID_SHOW_WINDOW && !tray) continue;
        std::string text = loadString ? MenuText(loadString(id)) : std::string();
        if (id == ID_DISCONNECT) {
            for (uint32_t i = 0; i < ActiveCount(); ++i)
                if (const ConnectionRecord* r = ActiveAt(i))
                    items.push_back({ID_DISCONNECT_FIRST + i, text + "-" + EntryName(*r), false, EntryName(*r)});
        } else if (id == ID_DISPLAY_FIRST) {
            if (tray || ActiveCount() < 2) continue;
            for (uint32_t i = 0; i < ActiveCount(); ++i) {
                if (const ConnectionRecord* r = ActiveAt(i)) {
                    std::string name = EntryName(*r);
                    items.push_back({ID_DISPLAY_FIRST + i, name, name == displayedEntryName, name});
                }
            }
        } else {
            items.push_back({id, text, false, std::string()});
        }
    }
    return items;
}

MenuEntries EntriesOf(const std::vector<MenuItem>& items) {
    MenuEntries entries;
    for (const MenuItem& item : items) {
        if (item.id >= ID_DISCONNECT_FIRST && item.id < ID_DISCONNECT_FIRST + kSlotCount)
            entries.names[item.id - ID_DISCONNECT_FIRST] = item.entryName;
        else if (item.id >= ID_DISPLAY_FIRST && item.id < ID_DISPLAY_FIRST + kSlotCount)
            entries.names[item.id - ID_DISPLAY_FIRST] = item.entryName;
    }
    return entries;
}

void DisconnectActive(uint32_t index, const MenuEntries& shown) {
    if (const ConnectionRecord* r = ShownAt(index, shown)) HangUp(true, EntryName(*r).c_str());
}

bool DisplayActive(uint32_t index, const MenuEntries& shown, std::string& displayedEntryName,
                   std::string& displayedPhoneNumber) {
    const ConnectionRecord* r = ShownAt(index, shown);
    if (!r) return false;
    displayedEntryName = EntryName(*r);
    displayedPhoneNumber = r->phoneNumber;
    return true;
}

int TrayIconId(int kind) {
    if (kind == 0) return IDI_TRAY_NONE;
    return kind == 1 ? IDI_TRAY_ONE : IDI_TRAY_MANY;
}
