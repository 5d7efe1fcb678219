#pragma once

#include <cstddef>

// UTF-16 text in UTF-8, for showing it as it is: a surrogate pair as its one character, and a lone
// surrogate, which Windows names may hold, as the three bytes of its own value (as Python's "surrogatepass"
// writes it). Writes the form of the units up to their terminator into out, terminated, when it fits in
// capacity bytes with the terminator; returns the bytes the form takes without it, so that a first call
// with no room sizes the second.
template <typename Unit>
size_t Utf8FromUtf16(const Unit *units, char *out, size_t capacity)
{
    static_assert(sizeof(Unit) == 2, "UTF-16 units");
    size_t length = 0;
    for (size_t i = 0; units[i]; i++) {
        unsigned long c = units[i];
        if ((c & 0xFC00) == 0xD800 && (units[i + 1] & 0xFC00) == 0xDC00) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((unsigned long)units[i + 1] - 0xDC00);
            i++;
        }
        unsigned char bytes[4];
        size_t count;
        if (c < 0x80) {
            bytes[0] = (unsigned char)c;
            count = 1;
        } else if (c < 0x800) {
            bytes[0] = (unsigned char)(0xC0 | c >> 6);
            count = 2;
        } else if (c < 0x10000) {
            bytes[0] = (unsigned char)(0xE0 | c >> 12);
            count = 3;
        } else {
            bytes[0] = (unsigned char)(0xF0 | c >> 18);
            count = 4;
        }
        for (size_t k = 1; k < count; k++) {
            bytes[k] = (unsigned char)(0x80 | ((c >> (6 * (count - 1 - k))) & 0x3F));
        }
        for (size_t k = 0; k < count; k++) {
            if (length + k + 1 < capacity) {
                out[length + k] = (char)bytes[k];
            }
        }
        length += count;
    }
    if (length < capacity) {
        out[length] = '\0';
    }
    return length;
}
