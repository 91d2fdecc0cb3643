// The full-screen terminal through curses: cell grids out, keys in.
#include <cstring>

#include <curses.h>

#include "common/text.h"
#include "platform/posix/terminal/terminal_restore.h"
#include "platform/posix/terminal/terminal_screen.h"

namespace {

constexpr int kEscapeDelayMs = 25;

// Appends a terminfo string without its padding marks ("$<5>"), which only
// curses' own output routine understands.
void AppendCapability(char* buffer, std::size_t capacity, const char* name) {
    char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<char*>(-1)) return;
    std::size_t length = std::strlen(buffer);
    for (const char* c = value; *c != 0 && length + 1 < capacity;) {
        if (c[0] == '$' && c[1] == '<') {
            const char* end = std::strchr(c, '>');
            if (end != nullptr) {
                c = end + 1;
                continue;
            }
        }
        buffer[length++] = *c++;
    }
    buffer[length] = 0;
}

bool HasCapability(const char* name) {
    char* value = tigetstr(name);
    return value != nullptr && value != reinterpret_cast<char*>(-1);
}

chtype LineCharacter(char code) {
    switch (code) {
        case kLineHorizontal: return ACS_HLINE;
        case kLineVertical: return ACS_VLINE;
        case kLineTopLeft: return ACS_ULCORNER;
        case kLineTopRight: return ACS_URCORNER;
        case kLineBottomLeft: return ACS_LLCORNER;
        default: return ACS_LRCORNER;
    }
}

}  // namespace

bool StartScreen() {
    // The locale is the one StartTerminal took: its character set decides
    // how curses draws the frame lines.
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (screen == nullptr) return false;
    set_term(screen);
    if (!HasCapability("cup") || !HasCapability("clear")) {
        // A terminal without cursor addressing (TERM=dumb): lines it is.
        endwin();
        delscreen(screen);
        return false;
    }
    // cbreak rather than raw: Ctrl-C stays a signal, so a program that no
    // longer pumps its dialogs can still be ended with a second Ctrl-C.
    cbreak();
    noecho();
    nonl();
    intrflush(stdscr, FALSE);
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(kEscapeDelayMs);
    curs_set(0);

    char sequence[kRestoreSequenceSize] = "";
    AppendCapability(sequence, sizeof sequence, "sgr0");
    AppendCapability(sequence, sizeof sequence, "cnorm");
    AppendCapability(sequence, sizeof sequence, "rmkx");
    if (HasCapability("rmcup")) {
        AppendCapability(sequence, sizeof sequence, "rmcup");
    } else {
        // No alternate screen: leave the cursor on a fresh line below.
        char* move = tigetstr("cup");
        if (move != nullptr && move != reinterpret_cast<char*>(-1)) {
            const char* moved = tiparm(move, LINES - 1, 0);
            if (moved != nullptr) AppendText(sequence, sizeof sequence, "%s", moved);
        }
        AppendText(sequence, sizeof sequence, "\r\n");
    }
    SetRestoreSequence(sequence);
    return true;
}

void GetScreenCells(int* columns, int* rows) {
    *columns = COLS;
    *rows = LINES;
}

void ShowGrid(const ScreenGrid& grid, bool redrawAll) {
    if (redrawAll) clearok(curscr, TRUE);
    for (int row = 0; row < grid.rows && row < LINES; ++row) {
        for (int column = 0; column < grid.columns && column < COLS; ++column) {
            Cell cell = grid.cells[row][column];
            chtype shown = (cell.attributes & kCellLine) ? LineCharacter(cell.character)
                                                         : static_cast<chtype>(static_cast<unsigned char>(cell.character));
            if (cell.attributes & kCellBold) shown |= A_BOLD;
            if (cell.attributes & kCellReverse) shown |= A_REVERSE;
            if (cell.attributes & kCellUnderline) shown |= A_UNDERLINE;
            mvaddch(row, column, shown);
        }
    }
    if (grid.cursorVisible) {
        curs_set(1);
        move(grid.cursorRow, grid.cursorColumn);
    } else {
        curs_set(0);
        move(LINES - 1, 0);
    }
    refresh();
}

ScreenInput ReadScreenKey(KeyPress* key) {
    int c = getch();
    if (c == ERR) return ScreenInput::None;
    key->code = KeyCode::None;
    key->character = 0;
    switch (c) {
        case KEY_RESIZE: return ScreenInput::Resized;
        case 12: return ScreenInput::Redraw;  // Ctrl-L
        case '\t': key->code = KeyCode::Tab; break;
        case KEY_BTAB: key->code = KeyCode::BackTab; break;
        case '\n':
        case '\r':
        case KEY_ENTER: key->code = KeyCode::Enter; break;
        case 27:
        case 3: key->code = KeyCode::Escape; break;  // Esc; Ctrl-C should the terminal pass it on
        case KEY_UP: key->code = KeyCode::Up; break;
        case KEY_DOWN: key->code = KeyCode::Down; break;
        case KEY_LEFT: key->code = KeyCode::Left; break;
        case KEY_RIGHT: key->code = KeyCode::Right; break;
        case KEY_HOME: key->code = KeyCode::Home; break;
        case KEY_END: key->code = KeyCode::End; break;
        case KEY_PPAGE: key->code = KeyCode::PageUp; break;
        case KEY_NPAGE: key->code = KeyCode::PageDown; break;
        case KEY_BACKSPACE:
        case 127:
        case 8: key->code = KeyCode::Backspace; break;
        case KEY_DC: key->code = KeyCode::Delete; break;
        case KEY_F(4): key->code = KeyCode::OpenList; break;
        default:
            if (c >= 32 && c < 127) {
                key->code = KeyCode::Character;
                key->character = static_cast<char>(c);
            }
            break;
    }
    return ScreenInput::Key;
}
