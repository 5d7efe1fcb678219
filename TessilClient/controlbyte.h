#pragma once

// Control characters of the ASCII range: C0 and DEL. None belongs in a user name or in the text of a log
// line, where each would end a line, end the file for a text-mode reader or hide what follows.
inline bool IsControlByte(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7F;
}
