#pragma once
// The same per-call loop as Sealer's, written over zlib's minizip crypt.h macros (C: crypt.h uses
// `register`, which C++17 refuses).
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct { unsigned long keys[3]; } MinizipKeys;

void MinizipInit(MinizipKeys *state, const char *password);
void MinizipEncrypt(MinizipKeys *state, const unsigned char *in, unsigned char *out, size_t size);
void MinizipDecrypt(MinizipKeys *state, const unsigned char *in, unsigned char *out, size_t size);

#ifdef __cplusplus
}
#endif
