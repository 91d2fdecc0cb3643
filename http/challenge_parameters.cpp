// Challenge parameters by name: the header field and list grammar of
// RFC 7230 and RFC 7235 over a reply's text, with token and quoted-string
// values.
#include "http/challenge_parameters.h"

#include "common/text.h"

namespace {

constexpr char kFieldName[] = "www-authenticate:";
constexpr std::size_t kFieldNameLength = sizeof kFieldName - 1;
// The characters of a token besides letters and digits (RFC 7230 tchar).
constexpr char kTokenPunctuation[] = "!#$%&'*+-.^_`|~";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsTokenCharacter(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    for (const char* p = kTokenPunctuation; *p != '\0'; ++p) {
        if (c == *p) return true;
    }
    return false;
}

// The length of the line break (CR LF or LF) at text, 0 when there is none.
std::size_t LineBreakLength(const char* text) {
    if (text[0] == '\n') return 1;
    if (text[0] == '\r' && text[1] == '\n') return 2;
    return 0;
}

// A reading position in one header field, which reads as one line: a folded
// line break with the blanks after it, and a bare CR, read as one blank; the
// line break that ends the field reads as the end ('\0').
struct FieldCursor {
    const char* at;
};

char Peek(FieldCursor cursor) {
    std::size_t lineBreak = LineBreakLength(cursor.at);
    if (lineBreak > 0) return IsBlank(cursor.at[lineBreak]) ? ' ' : '\0';
    return *cursor.at == '\r' ? ' ' : *cursor.at;
}

// Moves past the character Peek shows; stays at the end of the field.
void Advance(FieldCursor* cursor) {
    if (Peek(*cursor) == '\0') return;
    std::size_t lineBreak = LineBreakLength(cursor->at);
    if (lineBreak == 0) {
        ++cursor->at;
        return;
    }
    cursor->at += lineBreak;
    while (IsBlank(*cursor->at)) ++cursor->at;
}

void SkipBlanks(FieldCursor* cursor) {
    while (IsBlank(Peek(*cursor))) Advance(cursor);
}

constexpr std::size_t kNoValue = static_cast<std::size_t>(-1);

// Reads the token or quoted-string at the cursor and returns its whole
// unescaped length, or kNoValue when neither starts there. Keeps at most
// capacity - 1 characters of it at value, terminated (nothing when capacity
// is 0). A backslash quotes the character after it; a quoted-string the end
// of the field cuts short ends there.
std::size_t ReadValue(FieldCursor* cursor, char* value, std::size_t capacity) {
    std::size_t length = 0;
    if (Peek(*cursor) == '"') {
        Advance(cursor);
        for (char c = Peek(*cursor); c != '\0' && c != '"'; c = Peek(*cursor)) {
            Advance(cursor);
            if (c == '\\') {
                c = Peek(*cursor);
                if (c == '\0') break;
                Advance(cursor);
            }
            if (length + 1 < capacity) value[length] = c;
            ++length;
        }
        Advance(cursor);  // the closing quote, if any
    } else {
        for (char c = Peek(*cursor); IsTokenCharacter(c); c = Peek(*cursor)) {
            Advance(cursor);
            if (length + 1 < capacity) value[length] = c;
            ++length;
        }
        if (length == 0) return kNoValue;
    }
    if (capacity > 0) value[length < capacity ? length : capacity - 1] = '\0';
    return length;
}

// Passes over a list element the grammar does not allow, up to the next
// comma outside a quoted-string.
void SkipToNextComma(FieldCursor* cursor) {
    for (char c = Peek(*cursor); c != '\0' && c != ','; c = Peek(*cursor)) {
        if (c == '"') {
            ReadValue(cursor, nullptr, 0);
        } else {
            Advance(cursor);
        }
    }
}

// One element of a field's list of challenges: a token alone is a scheme,
// which opens a challenge; name = value is a parameter.
struct ListElement {
    bool isParameter;
    const char* name;  // the scheme or the parameter's name: a token, all on one line
    std::size_t nameLength;
    FieldCursor value;  // where a parameter's value starts
};

// Reads the next element of the list, passing over empty elements and ones
// the grammar does not allow. A comma missing between two parameters is
// forgiven. False at the end of the field.
bool NextElement(FieldCursor* cursor, ListElement* element) {
    for (;;) {
        for (char c = Peek(*cursor); IsBlank(c) || c == ','; c = Peek(*cursor)) Advance(cursor);
        if (Peek(*cursor) == '\0') return false;
        element->name = cursor->at;
        while (IsTokenCharacter(Peek(*cursor))) Advance(cursor);
        element->nameLength = static_cast<std::size_t>(cursor->at - element->name);
        SkipBlanks(cursor);
        if (element->nameLength > 0) {
            if (Peek(*cursor) != '=') {
                element->isParameter = false;
                return true;
            }
            Advance(cursor);
            SkipBlanks(cursor);
            element->value = *cursor;
            if (ReadValue(cursor, nullptr, 0) != kNoValue) {
                element->isParameter = true;
                return true;
            }
        }
        SkipToNextComma(cursor);
    }
}

// From the end of the field at the cursor to the value of the next
// WWW-Authenticate field; false when the header or the text ends first.
bool NextChallengeField(FieldCursor* cursor) {
    for (;;) {
        while (Peek(*cursor) != '\0') Advance(cursor);
        std::size_t lineBreak = LineBreakLength(cursor->at);
        if (lineBreak == 0) return false;
        cursor->at += lineBreak;
        if (*cursor->at == '\0' || LineBreakLength(cursor->at) > 0) return false;
        // Stops at the first difference, so never reads past a shorter text.
        if (EqualsIgnoringCase(cursor->at, kFieldNameLength, kFieldName)) {
            cursor->at += kFieldNameLength;
            return true;
        }
    }
}

// Where the challenge of the scheme starts (just after the scheme) in the
// first field, from the one at the cursor on, that offers it.
bool FindScheme(FieldCursor field, const char* scheme, FieldCursor* challenge) {
    do {
        ListElement element;
        while (NextElement(&field, &element)) {
            if (!element.isParameter && EqualsIgnoringCase(element.name, element.nameLength, scheme)) {
                *challenge = field;
                return true;
            }
        }
    } while (NextChallengeField(&field));
    return false;
}

// Takes the wanted parameters of the challenge at the cursor, which ends
// with its field or at the scheme that opens the next challenge.
void TakeParameters(FieldCursor cursor, bool schemeRead, ChallengeParameter* parameters, int count) {
    bool parameterRead = false;
    ListElement element;
    while (NextElement(&cursor, &element)) {
        if (!element.isParameter) {
            if (schemeRead || parameterRead) return;
            schemeRead = true;
            continue;
        }
        parameterRead = true;
        for (int i = 0; i < count; ++i) {
            ChallengeParameter* parameter = &parameters[i];
            if (!parameter->found && EqualsIgnoringCase(element.name, element.nameLength, parameter->name)) {
                parameter->found = true;
                parameter->length = ReadValue(&element.value, parameter->value, parameter->capacity);
                break;
            }
        }
    }
}

}  // namespace

void ReadChallengeParameters(const char* text, const char* scheme, ChallengeParameter* parameters, int count) {
    for (int i = 0; i < count; ++i) {
        parameters[i].found = false;
        parameters[i].length = 0;
        parameters[i].value[0] = '\0';
    }
    FieldCursor first = {text};
    if (EqualsIgnoringCase(text, kFieldNameLength, kFieldName)) first.at += kFieldNameLength;
    FieldCursor challenge;
    if (FindScheme(first, scheme, &challenge)) {
        TakeParameters(challenge, true, parameters, count);
    } else {
        TakeParameters(first, false, parameters, count);
    }
}
