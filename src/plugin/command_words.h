// Win32-free parsing of the command texts.
#pragma once

// What one broadcast text asks for. The show and hide words compare whole texts; the widget's
// own words are prefixes, each tried on the same rest of the text, so one text may ask for several.
struct CommandMatch {
    bool show;
    bool hide;                 // still subject to the pluginToggle setting
    const char* adapterNumber; // the text after "@Velnor.adapter.", or null
    bool read, write, edit, about;
};

CommandMatch matchCommand(const char* text);

// A plain decimal position below `count` at the start of `text` ("12", "12 and more");
// false for anything else: a sign, no digits, an overflow, a position at or beyond `count`.
bool parsePosition(const char* text, int count, int& position);
