#pragma once

// Decimal text to double: optional sign, digits, fraction, exponent with e, E, d or D.
// No hexadecimal, infinity or not-a-number forms; text that does not begin with a number is 0.
double parsePrice(const char* text);
