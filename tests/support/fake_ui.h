// A scripted stand-in for the whole user interface of platform/platform_ui.h,
// linked into the tests instead of a real front end. It records everything
// the code under test does to dialogs and message boxes, and plays the user
// from a script:
//
//   fake_ui::Reset();                                   // in SetUp
//   fake_ui::Script(IDD_PASSWORD, {fake_ui::Type(IDC_PASSWORD, "secret"),
//                                  fake_ui::Press(kCommandOk)});
//   fake_ui::ScriptModeless(IDD_CONNECTING, 50, fake_ui::Press(kCommandCancel));
//   ... run the code ...
//   fake_ui::DialogRecord dialog = fake_ui::LastDialog(IDD_PASSWORD);
//   EXPECT_EQ("admin", dialog.Text(IDC_USER));
//
// Modal dialogs: RunModalDialog sends the initialisation message, then takes
// the actions of its template's queue one by one until the procedure calls
// EndModalDialog, and returns that value. Successive openings of a template
// share its queue. A queue that runs dry while a modal dialog is open is a
// broken test: the fake prints the dialog and aborts the test program, since
// answering anything would let the code under test go on (a Cancel may even
// end the process with exit code 0, which would look like a pass).
//
// Modeless dialogs: each dialog takes the next entry of its template's
// modeless queue when it is created (none: it never gets a command). The
// entry's action is delivered by the pump call (PumpOneMessage or
// PumpAllMessages) whose number, counted from 1 for that dialog, is the
// entry's afterPumps; every other pump finds no message.
//
// Every message box is recorded and also printed to standard error as
//   [message box] CAPTION: TEXT [open dialogs: N]
// (N: dialogs not yet destroyed), so that a death test (EXPECT_EXIT) can
// match it although the record dies with the child process.
//
// The fake checks what a real front end would refuse or silently ignore and
// reports it as a test failure: a control that the dialog's template does
// not have or that is of the wrong kind, typing into a read-only control,
// use of a destroyed dialog, destroying or pumping a dialog from a thread
// other than its creator, a progress maximum above 65535, EndModalDialog on a
// modeless dialog.
//
// All functions are thread-safe: the record is behind one mutex, which is
// never held while a dialog procedure runs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform_ui.h"

namespace fake_ui {

// ---- what the user does ------------------------------------------------------

enum class ActionKind {
    Command,  // a command message with the given word parameter
    Enter,    // the Enter key: the focused push button, else the default push button
    Escape,   // the Esc key: command 2 (modal dialogs only; ignored by modeless ones)
    Close,    // the close box: command 2
    Type,     // replaces the text of an editable control, which takes the focus
    Choose,   // selects an entry of a drop-down list, which takes the focus
};

struct Action {
    ActionKind kind;
    std::uintptr_t wordParam;  // Command
    int control;               // Type, Choose
    std::string text;          // Type
    int index;                 // Choose
};

Action Press(int command);
// A command with a full word parameter, e.g. a notification code in the high 16 bits.
Action PressWord(std::uintptr_t wordParam);
Action Enter();
Action Escape();
Action Close();
Action Type(int control, const std::string& text);
Action Choose(int control, int index);

// Appends actions to the queue of a modal template.
void Script(int templateId, std::initializer_list<Action> actions);
// Appends an entry for the next modeless dialog of the template: the action
// comes with its afterPumps-th pump (1 = the first).
void ScriptModeless(int templateId, int afterPumps, const Action& action);
// Appends an entry that gives the next modeless dialog of the template nothing.
void ScriptModelessQuiet(int templateId);
// Actions and modeless entries not consumed yet.
int UnusedActions();

// ---- the screen ------------------------------------------------------------------

// Default 1280 x 1024.
void SetScreenSize(int width, int height);
// What GetWindowRectangle reports for the next dialogs of the template until
// they are moved. By default a dialog is at (0, 0) with its template size in
// dialog units times 3/2 (width) and 13/8 (height).
void SetWindowRectangle(int templateId, const WindowRect& rect);
// GetWindowRectangle fails for the next dialogs of the template.
void FailWindowRectangle(int templateId);
// RegisterProgramWindowClass reports failure.
void FailWindowClassRegistration();

// ---- the record ----------------------------------------------------------------

struct CommandRecord {
    std::uintptr_t wordParam;
    std::intptr_t handled;  // what the procedure returned
};

struct DialogRecord {
    int serial = 0;  // 1, 2, ... in the order of creation over all dialogs
    int templateId = 0;
    bool modal = false;
    std::thread::id thread;  // the creating thread
    std::string title;       // the template's title until set
    std::vector<std::string> titlesSet;  // every title set, in order
    std::map<int, std::string> texts;  // by control; starts with the template's texts
    int focus = 0;                     // the control with the focus, 0 none
    std::intptr_t initResult = 0;      // the procedure's answer to the initialisation
    std::vector<CommandRecord> commands;
    std::map<int, std::vector<unsigned>> progressRanges;     // maxima in the order set
    std::map<int, std::vector<unsigned>> progressPositions;  // positions in the order set
    std::map<int, std::vector<std::string>> listEntries;
    std::map<int, int> listSelection;  // -1 none
    bool shown = false;      // modal dialogs are shown by the dialog manager
    bool destroyed = false;  // modal dialogs once ended
    int result = -1;         // modal: the value it was ended with
    int pumps = 0;
    int moves = 0;
    int x = 0, y = 0;  // the last position moved to

    std::string Text(int control) const;  // "" when the control has none
    // The last range maximum or position set, or -1 when none was.
    long LastProgressRange(int control) const;
    long LastProgressPosition(int control) const;
    std::vector<std::string> Entries(int control) const;
    int Selection(int control) const;
};

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    int ownerSerial = 0;  // the owning dialog's serial, 0 without owner
    std::thread::id thread;
};

// Forgets the record, the scripts and the screen settings. Only while no
// dialog of an earlier test is still in use.
void Reset();
std::vector<DialogRecord> Dialogs();  // in the order of creation
std::vector<DialogRecord> DialogsOf(int templateId);
// The most recent dialog of the template; a test failure and an empty record
// when there is none.
DialogRecord LastDialog(int templateId);
std::vector<MessageBoxRecord> MessageBoxes();
int RegisterCommonControlsCalls();

}  // namespace fake_ui
