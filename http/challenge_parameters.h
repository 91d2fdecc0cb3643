// The parameters of an HTTP authentication challenge (RFC 7235 auth-param,
// RFC 2617 3.2.1), read by name from a reply's WWW-Authenticate fields.
#pragma once

#include <cstddef>

// One parameter wanted from a challenge, and where its value goes.
struct ChallengeParameter {
    const char* name;       // in lower case; names are compared without regard to case
    char* value;            // room for capacity characters, terminator included
    std::size_t capacity;   // at least 1
    bool found;             // found and length are set by ReadChallengeParameters
    std::size_t length;     // of the whole unescaped value; capacity or more: the value was cut
};

// Reads one challenge from text, which starts at a reply's
// "WWW-Authenticate:" and runs to the end of the reply: the challenge of the
// scheme (given in lower case) from the first WWW-Authenticate field of the
// header that offers one, else the first challenge of the first field,
// whatever its scheme. Each wanted parameter gets its first occurrence in
// that challenge, a token or a quoted-string with its escapes undone, cut to
// its capacity and terminated; an absent one is empty, found false.
//
// A field ends at a line break that no blank or tab follows; a folded line
// break, with the blanks after it, reads as one blank, in a quoted value too,
// so no value holds a line break. The header ends at an empty line.
void ReadChallengeParameters(const char* text, const char* scheme, ChallengeParameter* parameters, int count);
