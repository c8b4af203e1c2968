// Win32-free parsing of the command texts.
#pragma once

// A plain decimal position below `count` at the start of `text` ("12", "12 and more");
// false for anything else: a sign, no digits, an overflow, a position at or beyond `count`.
bool parsePosition(const char* text, int count, int& position);
