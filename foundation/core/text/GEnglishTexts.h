#pragma once
// GEnglishTexts: the process-wide table of the English texts of message ids. Each layer registers
// its texts into it at start-up (GException::Initialize for the exception ids) and GLngString
// renders ids from it.
//
// It stands where the string pools will be: they will take the registrations into their English
// table ("enUS"), add the other languages and the user's current one, and replace this class.
//
// Callers may rely on: registering an id again replaces its text; any thread may register and read.
#include <cstdint>

class GString;

class GEnglishTexts {
public:
    struct Entry {
        int32_t id;
        // ASCII; copied on registration.
        const char* text;
    };

    static void AddTexts(const Entry* entries, int count);
    static void SetText(int id, const GString& text);
    // False, with out unchanged, when no text is registered for id.
    static bool GetText(int id, GString& out);
};
