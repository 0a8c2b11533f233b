// The two context menus as data: the tray menu (a click on the tray icon) and the window
// menu (a right click in the monitor window), built afresh each time from the command list
// and the active connections; the handlers of the per-connection items; the tray picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct MenuItem {
    uint32_t id;
    std::string text;
    bool checked;
    std::string entryName;  // per-connection items: the connection's entry name
};

// The entry names a menu showed, by command index, for its per-connection items.
struct MenuEntries {
    std::string names[4];
};

constexpr int kMenuCommandCount = 8;

// The menus' command identifiers in order. Two of them stand for one item per active
// connection: ID_DISPLAY_FIRST (display items) and ID_DISCONNECT (disconnect items).
extern const uint32_t kMenuCommands[kMenuCommandCount];

// The whole string-table entry of `id` (code page 932), empty when there is none.
using StringLoader = std::function<std::string(uint32_t id)>;

// An item's text: what follows the first newline of its string-table entry, or the whole
// entry when it holds no newline.
std::string MenuText(const std::string& entry);

// The items in order, all plain enabled text items: no separators, no submenus.
// `displayedEntryName` gets the check mark among the display items.
std::vector<MenuItem> BuildContextMenu(bool tray, const std::string& displayedEntryName,
                                       const StringLoader& loadString);

// The names of the per-connection items of `items`, by command index.
MenuEntries EntriesOf(const std::vector<MenuItem>& items);

// Command ID_DISCONNECT_FIRST + index: hangs up active connection `index` without asking.
// Nothing happens when that connection is no longer active, or when it is now another
// connection than the one the menu showed (the table changed while the menu was open).
void DisconnectActive(uint32_t index, const MenuEntries& shown);

// Command ID_DISPLAY_FIRST + index: active connection `index` becomes the displayed one.
// False, and nothing changed, when it is no longer active or no longer the one shown.
bool DisplayActive(uint32_t index, const MenuEntries& shown, std::string& displayedEntryName,
                   std::string& displayedPhoneNumber);

// The tray icon's picture for `kind` (the number of active connections).
int TrayIconId(int kind);
