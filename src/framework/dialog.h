// Dialogs from templates: creation, message maps, the modal loop, data exchange with the
// controls, and the default OK and Cancel.
//
// A dialog class derives from CDialog and lists its handlers in a message map:
//
//   const MessageMapEntry* CDialDlg::GetMessageMap() const {
//       static const MessageMapEntry map[] = {
//           NotifyEntry<&CDialDlg::OnSelchangeEntry>(IDC_DIAL_ENTRY, CBN_SELCHANGE),
//           EndOfMessageMap(),
//       };
//       return map;
//   }
//
// Entry kinds and handler signatures:
//   CommandEntry<&C::F>(id)                 void F()          menu command or button click
//   NotifyEntry<&C::F>(id, code)            void F()          control notification
//   CommandRangeEntry<&C::F>(first, last)   void F(UINT id)   commands first..last
//   MessageEntry<&C::F>(message)            LRESULT F(WPARAM, LPARAM)
//   RegisteredMessageEntry<&C::F>(&number)  LRESULT F(WPARAM, LPARAM)
// The first matching entry wins. A message handler may call Default() for the processing
// the dialog would have done without it.
#pragma once

#include <windows.h>

#include <type_traits>

class CDataExchange;
class CDialog;

// A handler called through its dialog: the command id (commands) and the message parameters.
using MessageThunk = LRESULT (*)(CDialog* dialog, UINT id, WPARAM wParam, LPARAM lParam);

enum class MapKind : unsigned char { End, Command, Message, RegisteredMessage };

struct MessageMapEntry {
    MapKind kind;
    UINT message;            // Message: its number
    const UINT* registered;  // RegisteredMessage: the constant holding its number (0xC000 up)
    UINT code;               // Command: notification code, 0 for menus and clicked buttons
    UINT firstId;            // Command: the ids it takes
    UINT lastId;
    MessageThunk thunk;
};

class CDialog {
public:
    // A dialog from window template `templateId`. `parent` owns it when run modally; without
    // one, the application's main window does.
    explicit CDialog(UINT templateId, CDialog* parent = nullptr);
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    // Destroys the window if it is still there, without calling back into the object.
    // A dialog whose handlers must see WM_DESTROY destroys its window itself first.
    virtual ~CDialog();

    // Creates the window from the template as a modeless dialog owned by `owner` (may be
    // null); OnInitDialog runs during the creation. False when the template cannot be
    // loaded or the window not created.
    bool Create(HWND owner);
    bool CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner);

    // Runs the dialog modally: creates it owned by its parent (or the main window's newest
    // popup), disables the owner, runs the modal loop showing the window at its first idle
    // moment, then hides and destroys it. The result given to EndDialog; -1 when the dialog
    // could not be created or the loop met WM_QUIT.
    INT_PTR DoModal();

    // The modal loop of a created dialog: runs until EndDialog (its result) or WM_QUIT (put
    // back in the queue; result -1). With `showOnIdle` the window is shown (SW_SHOWNORMAL)
    // and repainted when the queue first runs empty, or earlier on a system key.
    int RunModalLoop(bool showOnIdle);

    // Ends the modal loop with `result`; the window stays until its runner destroys it.
    void EndDialog(int result);

    // Moves the members to the controls (false) or validates and moves the controls to the
    // members (true). False when a value was refused; the user has been told.
    bool UpdateData(bool toMembers);

    bool DestroyWindow();
    HWND GetDlgItem(int id) const;
    UINT TemplateId() const { return templateId; }

    // The framework dialog of a window, or null.
    static CDialog* FromHandle(HWND hwnd);

    HWND hwnd = nullptr;

protected:
    // Runs the dialog's initialisation data (list items), then moves the members to the
    // controls and shows or hides the Help button. When list items cannot be added the
    // dialog ends at once with -1. True puts the focus on the first tab stop.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    // Enter: the controls to the members, and IDOK when they were all accepted.
    virtual void OnOK();
    // Esc, the close box and button 2: IDCANCEL.
    virtual void OnCancel();
    virtual const MessageMapEntry* GetMessageMap() const;
    // A message of the modal loop before the dialog's keyboard handling sees it (a window's
    // own keys); true when taken.
    virtual bool PreTranslateMessage(MSG& msg);

    // The default processing of the message now being handled.
    LRESULT Default();

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);
    void Detach();
    BOOL HandleInitDialog();
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    const MessageMapEntry* FindEntry(UINT message, WPARAM wParam, LPARAM lParam) const;
    bool OnUnmappedCommand(WPARAM wParam, LPARAM lParam);
    bool RunInitialisationData();
    bool HelpEnabled() const;
    HWND ModalOwner() const;
    void Center();

    UINT templateId;
    CDialog* parent;
    WNDPROC dialogClassProc = nullptr;
    CurrentMessage current{};
    bool continueModal = false;
    int modalResult = -1;
};

// The list of entries ends with this one.
constexpr MessageMapEntry EndOfMessageMap() { return {MapKind::End, 0, nullptr, 0, 0, 0, nullptr}; }

namespace map_detail {

template <typename F>
struct HandlerClass;
template <typename C, typename R, typename... Args>
struct HandlerClass<R (C::*)(Args...)> {
    static_assert(std::is_base_of_v<CDialog, C>, "message handlers are members of a dialog");
    using type = C;
};
template <auto F>
using ClassOf = typename HandlerClass<decltype(F)>::type;

template <auto F>
LRESULT CallCommand(CDialog* d, UINT, WPARAM, LPARAM) {
    (static_cast<ClassOf<F>*>(d)->*F)();
    return 0;
}

template <auto F>
LRESULT CallCommandWithId(CDialog* d, UINT id, WPARAM, LPARAM) {
    (static_cast<ClassOf<F>*>(d)->*F)(id);
    return 0;
}

template <auto F>
LRESULT CallMessage(CDialog* d, UINT, WPARAM wParam, LPARAM lParam) {
    return (static_cast<ClassOf<F>*>(d)->*F)(wParam, lParam);
}

}  // namespace map_detail

template <auto F>
constexpr MessageMapEntry CommandEntry(UINT id) {
    return {MapKind::Command, 0, nullptr, 0, id, id, &map_detail::CallCommand<F>};
}

template <auto F>
constexpr MessageMapEntry NotifyEntry(UINT id, UINT code) {
    return {MapKind::Command, 0, nullptr, code, id, id, &map_detail::CallCommand<F>};
}

template <auto F>
constexpr MessageMapEntry CommandRangeEntry(UINT firstId, UINT lastId) {
    return {MapKind::Command, 0, nullptr, 0, firstId, lastId, &map_detail::CallCommandWithId<F>};
}

template <auto F>
constexpr MessageMapEntry MessageEntry(UINT message) {
    return {MapKind::Message, message, nullptr, 0, 0, 0, &map_detail::CallMessage<F>};
}

// A message numbered from 0xC000 up, held by a constant: each incoming message from 0xC000
// up is compared with the constant's value.
template <auto F>
constexpr MessageMapEntry RegisteredMessageEntry(const UINT* message) {
    return {MapKind::RegisteredMessage, 0, message, 0, 0, 0, &map_detail::CallMessage<F>};
}
