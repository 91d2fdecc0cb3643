// The terminal front end's dialogs without a terminal: layout of the ten
// templates with their real texts, wrapping, keys and drawing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/text.h"
#include "console/control_kinds.h"
#include "console/dialog_drawing.h"
#include "console/dialog_keys.h"
#include "console/dialog_layout.h"
#include "console/dialog_model.h"
#include "console/text_wrap.h"
#include "ui/dialog_texts.h"
#include "ui/resource_ids.h"

namespace {

ScreenGrid g_grid;  // large: not on the stack

DialogModel* Dialog(int templateId, bool modal = true) {
    static DialogModel model;
    std::memset(&model, 0, sizeof model);
    InitializeDialogModel(&model, *FindDialogTemplate(templateId), modal);
    return &model;
}

void Text(DialogModel* dialog, int controlId, const char* text) {
    SetModelControlText(dialog, FindControlIndex(*dialog, controlId), text);
}

// A dialog with the texts the program gives it.
DialogModel* FilledDialog(int templateId) {
    DialogModel* dialog = Dialog(templateId);
    switch (templateId) {
        case IDD_WARNING: Text(dialog, IDC_WARNING_TEXT, kWarningText); break;
        case IDD_PASSWORD: Text(dialog, IDC_TEXT, kPasswordHelpText); break;
        case IDD_WAITING: Text(dialog, IDC_WAITING_TEXT, kWaitingText); break;
        case IDD_SUCCESS: Text(dialog, IDC_TEXT, kSuccessText); break;
        case IDD_CONFIRM: Text(dialog, IDC_TEXT, kConfirmText); break;
        case IDD_CONFIRM_TWO_STAGE: {
            char note[1024];
            FormatText(note, sizeof note, kConfirmNoteFormat, kConfirmText, "2.5.0(QT)");
            Text(dialog, IDC_TEXT, note);
            break;
        }
        case IDD_ADDRESS_ADAPTER:
        case IDD_ADDRESS_PHONE:
            Text(dialog, IDC_TEXT, kAddressIntroText);
            Text(dialog, IDC_HELP_TEXT, templateId == IDD_ADDRESS_PHONE ? kPhoneHelpText : kAdapterHelpText);
            Text(dialog, IDC_VERSION_LINE, "Version 3.1.24(QE)");
            break;
        default: break;
    }
    CopyText(dialog->title, sizeof dialog->title, "Uploading Transition Firmware to QEV@255.255.255.255 33553919/33553919 Bytes");
    if (templateId != IDD_UPLOAD) CopyText(dialog->title, sizeof dialog->title, FindDialogTemplate(templateId)->title);
    return dialog;
}

KeyPress Key(KeyCode code, char character = 0) { return KeyPress{code, character}; }

void TypeText(DialogModel* dialog, const char* text) {
    for (const char* c = text; *c != 0; ++c) HandleKey(dialog, Key(KeyCode::Character, *c));
}

std::string Screen(const DialogModel& dialog, int columns = 80, int rows = 24) {
    ClearGrid(&g_grid, columns, rows, TerminalCharacterSet::Utf8);
    DialogModel placed = dialog;
    placed.left = (columns - dialog.width) / 2;
    placed.top = 0;
    DrawDialog(placed, true, &g_grid);
    DrawKeyHelp(placed, &g_grid);
    std::string screen;
    char line[kMaxScreenColumns + 1];
    for (int row = 0; row < rows; ++row) {
        GridRowText(g_grid, row, line, sizeof line);
        screen += line;
        screen += '\n';
    }
    return screen;
}

bool Overlap(const CellRect& a, const CellRect& b) {
    return a.row < b.row + b.height && b.row < a.row + a.height && a.column < b.column + b.width &&
           b.column < a.column + a.width;
}

// ---- layout ----------------------------------------------------------------

TEST(DialogLayout, EveryTemplateFitsEightyByTwentyFourWithItsTexts) {
    for (int t = 0; t < kDialogTemplateCount; ++t) {
        int id = kDialogTemplates[t].id;
        SCOPED_TRACE(id);
        DialogModel* dialog = FilledDialog(id);
        LayOutDialog(dialog, 80, 24);
        EXPECT_LE(dialog->width, 80);
        EXPECT_LE(dialog->height, 23);  // the bottom row keeps the key help
        for (int i = 0; i < dialog->controlCount; ++i) {
            const ControlState& control = dialog->controls[i];
            if (control.source.kind == ControlKind::Icon) continue;
            SCOPED_TRACE(i);
            EXPECT_GE(control.cell.column, 0);
            EXPECT_GE(control.cell.row, 0);
            EXPECT_LE(control.cell.column + control.cell.width, dialog->width - 2);
            EXPECT_LE(control.cell.row + control.cell.height, dialog->height - 2);
            for (int j = i + 1; j < dialog->controlCount; ++j) {
                if (dialog->controls[j].source.kind == ControlKind::Icon) continue;
                EXPECT_FALSE(Overlap(control.cell, dialog->controls[j].cell)) << "with control " << j;
            }
            if (IsMultiLineText(control)) {
                // Either every line shows, or the area scrolls through them.
                EXPECT_GE(control.cell.height, 1);
                if (control.lineCount > control.cell.height) {
                    EXPECT_EQ(control.wrapWidth, control.cell.width - 1);
                }
            } else if (control.source.kind == ControlKind::TextRight || control.source.kind == ControlKind::TextLeft) {
                EXPECT_GE(control.cell.width, static_cast<int>(std::strlen(control.text)));
            } else if (IsPushButton(control.source.kind)) {
                EXPECT_GE(control.cell.width, static_cast<int>(std::strlen(control.source.text)) + 4);
            }
        }
    }
}

TEST(DialogLayout, TextsKeepTheirOwnLinesWhereTheScreenAllows) {
    DialogModel* warning = FilledDialog(IDD_WARNING);
    LayOutDialog(warning, 80, 24);
    const ControlState& text = warning->controls[FindControlIndex(*warning, IDC_WARNING_TEXT)];
    EXPECT_EQ(text.lineCount, 10);  // the ten lines as written, none broken again
    EXPECT_EQ(text.cell.height, 10);

    DialogModel* password = FilledDialog(IDD_PASSWORD);
    LayOutDialog(password, 80, 24);
    const ControlState& help = password->controls[FindControlIndex(*password, IDC_TEXT)];
    EXPECT_EQ(help.lineCount, 19);
    EXPECT_LT(help.cell.height, 19);  // scrolls on 24 rows
    LayOutDialog(password, 80, 40);
    EXPECT_EQ(password->controls[FindControlIndex(*password, IDC_TEXT)].cell.height, 19);  // whole on 40
}

TEST(DialogLayout, ControlsThatShareTheirRowsInTheTemplateShareACellRow) {
    DialogModel* confirm = FilledDialog(IDD_CONFIRM);
    LayOutDialog(confirm, 80, 24);
    int serial = FindControlIndex(*confirm, IDC_SERIAL_NUMBER);
    for (int i = 0; i < confirm->controlCount; ++i) {
        if (std::strcmp(confirm->controls[i].text, "Serial Number") == 0) {
            EXPECT_EQ(confirm->controls[i].cell.row, confirm->controls[serial].cell.row);
        }
    }
    int ok = FindControlIndex(*confirm, 1), cancel = FindControlIndex(*confirm, 2);
    EXPECT_EQ(confirm->controls[ok].cell.row, confirm->controls[cancel].cell.row);
    EXPECT_LT(confirm->controls[ok].cell.column, confirm->controls[cancel].cell.column);
}

TEST(DialogLayout, ANarrowShortScreenStillGetsEveryControlInside) {
    DialogModel* dialog = FilledDialog(IDD_PASSWORD);
    LayOutDialog(dialog, 60, 16);
    EXPECT_LE(dialog->width, 60);
    EXPECT_LE(dialog->height, 15);
    for (int i = 0; i < dialog->controlCount; ++i)
        EXPECT_LE(dialog->controls[i].cell.row + dialog->controls[i].cell.height, dialog->height - 2);
}

// ---- wrapping ----------------------------------------------------------------

std::string Wrapped(const char* text, int width) {
    WrapCursor cursor;
    StartWrap(&cursor, text, width);
    std::string lines;
    int start = 0, length = 0;
    while (NextWrappedLine(&cursor, &start, &length)) lines += std::string(text + start, length) + "|";
    return lines;
}

TEST(DialogWrap, BreaksAtLineEndsThenAtBlanksThenHard) {
    EXPECT_EQ(Wrapped("one\r\ntwo\nthree", 10), "one|two|three|");
    EXPECT_EQ(Wrapped("alpha beta gamma", 10), "alpha beta|gamma|");
    EXPECT_EQ(Wrapped("abcdefghijkl", 5), "abcde|fghij|kl|");
    EXPECT_EQ(Wrapped("service.  If your", 9), "service.|If your|");
    EXPECT_EQ(Wrapped("kept  double", 20), "kept  double|");
    EXPECT_EQ(Wrapped("a\r\n\r\nb", 5), "a||b|");
    EXPECT_EQ(Wrapped("ends with a break\r\n", 40), "ends with a break|");
    EXPECT_EQ(Wrapped("", 10), "");
    EXPECT_EQ(CountWrappedLines(kWarningText, 200), 10);
}

// ---- keys --------------------------------------------------------------------

TEST(DialogKeys, TabOrderFollowsTheTemplateAndSkipsStatics) {
    DialogModel* dialog = FilledDialog(IDD_ADDRESS_ADAPTER);
    LayOutDialog(dialog, 80, 24);
    dialog->focus = FindControlIndex(*dialog, IDC_ADDRESS);
    HandleKey(dialog, Key(KeyCode::Tab));
    EXPECT_EQ(dialog->controls[dialog->focus].source.id, 1);  // wraps to OK
    HandleKey(dialog, Key(KeyCode::BackTab));
    EXPECT_EQ(dialog->controls[dialog->focus].source.id, IDC_ADDRESS);
    HandleKey(dialog, Key(KeyCode::BackTab));
    EXPECT_EQ(dialog->controls[dialog->focus].source.id, IDC_LOCAL_ADDRESS);  // the label is passed over

    DialogModel* warning = FilledDialog(IDD_WARNING);
    warning->focus = FindControlIndex(*warning, 2);
    HandleKey(warning, Key(KeyCode::Tab));
    EXPECT_EQ(warning->controls[warning->focus].source.id, 1);  // the text is no tab stop
}

TEST(DialogKeys, EnterPressesTheDefaultOrTheFocusedButtonEscapeIsCancel) {
    DialogModel* warning = FilledDialog(IDD_WARNING);
    warning->focus = FindControlIndex(*warning, IDC_WARNING_TEXT);
    EXPECT_EQ(HandleKey(warning, Key(KeyCode::Enter)), 2);  // Cancel is the default push button
    warning->focus = FindControlIndex(*warning, 1);
    EXPECT_EQ(HandleKey(warning, Key(KeyCode::Enter)), 1);  // a focused button acts as the default
    EXPECT_EQ(HandleKey(warning, Key(KeyCode::Character, ' ')), 1);
    EXPECT_EQ(HandleKey(warning, Key(KeyCode::Escape)), 2);

    DialogModel* waiting = Dialog(IDD_WAITING, false);
    waiting->focus = FirstTabStop(*waiting);
    EXPECT_EQ(HandleKey(waiting, Key(KeyCode::Enter)), 0);  // no dialog manager for modeless dialogs
    EXPECT_EQ(HandleKey(waiting, Key(KeyCode::Escape)), 2);
    EXPECT_EQ(HandleKey(waiting, Key(KeyCode::Character, ' ')), 2);
}

TEST(DialogKeys, AddressControlTakesADottedQuad) {
    DialogModel* dialog = Dialog(IDD_ADDRESS_PHONE);
    int address = FindControlIndex(*dialog, IDC_ADDRESS);
    dialog->focus = address;
    char text[64];
    EXPECT_EQ(GetModelControlText(*dialog, address, text, sizeof text), 0);  // starts empty, not "IPAddress1"
    TypeText(dialog, "192168.1..20");  // a full field moves on by itself; '.' in an empty field does nothing
    GetModelControlText(*dialog, address, text, sizeof text);
    EXPECT_STREQ(text, "192.168.1.20");
    TypeText(dialog, "5");  // the last field holds three digits
    TypeText(dialog, "5");
    GetModelControlText(*dialog, address, text, sizeof text);
    EXPECT_STREQ(text, "192.168.1.205");
    for (int i = 0; i < 4; ++i) HandleKey(dialog, Key(KeyCode::Backspace));  // back across the dot
    GetModelControlText(*dialog, address, text, sizeof text);
    EXPECT_STREQ(text, "192.168..");
    HandleKey(dialog, Key(KeyCode::Home));
    HandleKey(dialog, Key(KeyCode::Delete));
    GetModelControlText(*dialog, address, text, sizeof text);
    EXPECT_STREQ(text, ".168..");
    // Set as text (the line mode's answers), it reads back exactly.
    SetModelControlText(dialog, address, "1..2.3.4");
    GetModelControlText(*dialog, address, text, sizeof text);
    EXPECT_STREQ(text, "1..2.3.4");
    TypeText(dialog, "9");  // typing returns to the fields
    GetModelControlText(*dialog, address, text, sizeof text);
    EXPECT_STREQ(text, "19..2.3");
}

TEST(DialogKeys, EditFieldsEditAtTheCursor) {
    DialogModel* dialog = Dialog(IDD_PASSWORD);
    LayOutDialog(dialog, 80, 24);
    int user = FindControlIndex(*dialog, IDC_USER);
    SetModelControlText(dialog, user, "admin");
    dialog->focus = user;
    HandleKey(dialog, Key(KeyCode::Home));
    TypeText(dialog, "x");
    HandleKey(dialog, Key(KeyCode::End));
    HandleKey(dialog, Key(KeyCode::Backspace));
    HandleKey(dialog, Key(KeyCode::Left));
    HandleKey(dialog, Key(KeyCode::Delete));
    char text[64];
    GetModelControlText(*dialog, user, text, sizeof text);
    EXPECT_STREQ(text, "xadm");
    // Longer than the field and than the 126 characters stored: all kept here.
    std::string longName(300, 'u');
    TypeText(dialog, longName.c_str());
    char all[kControlTextSize];
    EXPECT_EQ(GetModelControlText(*dialog, user, all, sizeof all), 304);
}

TEST(DialogKeys, DropDownListChoosesWithArrowsOrOpenList) {
    DialogModel* dialog = Dialog(IDD_ADDRESS_ADAPTER);
    int list = FindControlIndex(*dialog, IDC_LOCAL_ADDRESS);
    ControlState& control = dialog->controls[list];
    CopyText(control.entries[0], sizeof control.entries[0], "192.0.2.10");
    CopyText(control.entries[1], sizeof control.entries[1], "198.51.100.7");
    CopyText(control.entries[2], sizeof control.entries[2], "127.0.0.1");
    control.entryCount = 3;
    control.selection = 0;
    LayOutDialog(dialog, 80, 24);
    dialog->focus = list;
    HandleKey(dialog, Key(KeyCode::Down));
    EXPECT_EQ(control.selection, 1);
    HandleKey(dialog, Key(KeyCode::End));
    EXPECT_EQ(control.selection, 2);
    HandleKey(dialog, Key(KeyCode::OpenList));
    EXPECT_TRUE(control.listOpen);
    HandleKey(dialog, Key(KeyCode::Up));
    EXPECT_EQ(HandleKey(dialog, Key(KeyCode::Escape)), 0);  // Esc closes the list only
    EXPECT_FALSE(control.listOpen);
    EXPECT_EQ(control.selection, 2);
    HandleKey(dialog, Key(KeyCode::Character, ' '));
    HandleKey(dialog, Key(KeyCode::Home));
    EXPECT_EQ(HandleKey(dialog, Key(KeyCode::Enter)), 0);  // Enter takes the entry, not the default button
    EXPECT_EQ(control.selection, 0);
    EXPECT_EQ(HandleKey(dialog, Key(KeyCode::Enter)), 1);
    std::string screen = Screen(*dialog);
    EXPECT_NE(screen.find("Your IP Address [192.0.2.10"), std::string::npos) << screen;
}

TEST(DialogKeys, PageKeysScrollALongTextWhereverTheFocusIs) {
    DialogModel* dialog = FilledDialog(IDD_PASSWORD);
    LayOutDialog(dialog, 80, 24);
    dialog->focus = FindControlIndex(*dialog, IDC_PASSWORD);
    std::string screen = Screen(*dialog);
    EXPECT_EQ(screen.find("information."), std::string::npos);
    HandleKey(dialog, Key(KeyCode::PageDown));
    HandleKey(dialog, Key(KeyCode::PageDown));
    screen = Screen(*dialog);
    EXPECT_NE(screen.find("information."), std::string::npos) << screen;
    EXPECT_EQ(screen.find("This QEV requires a password"), std::string::npos);
    HandleKey(dialog, Key(KeyCode::PageUp));
    HandleKey(dialog, Key(KeyCode::PageUp));
    EXPECT_NE(Screen(*dialog).find("This QEV requires a password"), std::string::npos);
}

// ---- drawing -------------------------------------------------------------------

TEST(DialogDrawing, ShowsTitleTextsFieldsAndTheDefaultButton) {
    DialogModel* dialog = FilledDialog(IDD_PASSWORD);
    CopyText(dialog->title, sizeof dialog->title, "Enter Password Information");
    SetModelControlText(dialog, FindControlIndex(*dialog, IDC_USER), "admin");
    dialog->focus = FindControlIndex(*dialog, IDC_PASSWORD);
    TypeText(dialog, "s3cret");
    LayOutDialog(dialog, 80, 24);
    std::string screen = Screen(*dialog);
    EXPECT_NE(screen.find("+- Enter Password Information -"), std::string::npos) << screen;
    EXPECT_NE(screen.find("User  [admin___"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Password  [******___"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("s3cret"), std::string::npos);
    EXPECT_NE(screen.find("[>     OK     <]"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Enter: OK"), std::string::npos) << screen;
    EXPECT_TRUE(g_grid.cursorVisible);
}

TEST(DialogDrawing, ProgressBarFillsWithItsPosition) {
    DialogModel* dialog = Dialog(IDD_CONNECTING, false);
    LayOutDialog(dialog, 80, 24);
    ControlState& bar = dialog->controls[FindControlIndex(*dialog, IDC_PROGRESS)];
    bar.maximum = 100;
    bar.position = 50;
    std::string screen = Screen(*dialog);
    int inner = bar.cell.width - 2;
    EXPECT_NE(screen.find("[" + std::string(inner / 2, '#') + std::string(inner - inner / 2, '.') + "]"),
              std::string::npos) << screen;
    bar.position = 70000;  // beyond the range: full
    EXPECT_NE(Screen(*dialog).find("[" + std::string(inner, '#') + "]"), std::string::npos);
    bar.maximum = 0;  // no range yet: empty
    EXPECT_NE(Screen(*dialog).find("[" + std::string(inner, '.') + "]"), std::string::npos);
    EXPECT_NE(Screen(*dialog).find("Esc or Ctrl-C: Cancel"), std::string::npos);
}

TEST(DialogDrawing, MessageBoxShowsCaptionTextAndOk) {
    static DialogModel box;
    InitializeMessageBoxModel(&box, "Upgrade Failed: User Abort", "QEV Firwmare Upgrade Error");
    LayOutDialog(&box, 80, 24);
    std::string screen = Screen(box);
    EXPECT_NE(screen.find("QEV Firwmare Upgrade Error"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Upgrade Failed: User Abort"), std::string::npos) << screen;
    EXPECT_NE(screen.find("[>  OK  <]"), std::string::npos) << screen;
    EXPECT_EQ(HandleKey(&box, Key(KeyCode::Enter)), 1);
}

TEST(DialogDrawing, ADialogPartlyOffTheScreenIsClipped) {
    DialogModel* dialog = FilledDialog(IDD_WARNING);
    LayOutDialog(dialog, 80, 24);
    ClearGrid(&g_grid, 40, 10, TerminalCharacterSet::Utf8);
    dialog->left = -10;
    dialog->top = -3;
    DrawDialog(*dialog, true, &g_grid);  // nothing written outside the grid
    SUCCEED();
}

}  // namespace
