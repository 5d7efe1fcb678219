#include "minizip_loop.h"

#include <zlib.h>
#include <minizip/crypt.h>

/* crypt.h of this minizip takes the table as unsigned long; zlib's own is z_crc_t. */
static unsigned long crcTable[256];

void MinizipInit(MinizipKeys *state, const char *password)
{
    const z_crc_t *table = get_crc_table();
    for (int i = 0; i < 256; i++) {
        crcTable[i] = table[i];
    }
    init_keys(password, state->keys, crcTable);
}

void MinizipEncrypt(MinizipKeys *state, const unsigned char *in, unsigned char *out, size_t size)
{
    int t;
    for (size_t i = 0; i < size; i++) {
        out[i] = (unsigned char)zencode(state->keys, crcTable, in[i], t);
    }
}

void MinizipDecrypt(MinizipKeys *state, const unsigned char *in, unsigned char *out, size_t size)
{
    for (size_t i = 0; i < size; i++) {
        int c = in[i];
        out[i] = (unsigned char)zdecode(state->keys, crcTable, c);
    }
}
