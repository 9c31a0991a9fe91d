// The part of the iconv interface the program uses (UTF-8 <-> EUC-JP), on
// Windows' own code pages, since mingw has no iconv. Same contract as iconv:
// (size_t)-1 with errno EILSEQ (a character the target lacks, or malformed
// input, left unconsumed), EINVAL (an incomplete character at the end) or
// E2BIG (output full); pointers advance past every converted character.
#pragma once

#include <cstddef>

typedef struct iconv_windows *iconv_t;

iconv_t iconv_open(const char *to_code, const char *from_code);
size_t iconv(iconv_t cd, char **in, size_t *in_left, char **out, size_t *out_left);
int iconv_close(iconv_t cd);
