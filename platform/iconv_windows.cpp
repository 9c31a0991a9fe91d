#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/iconv_windows/iconv.h"

namespace {

constexpr UINT CODE_PAGE_EUC_JP = 20932;

UINT code_page_of(const char *name) {
    if (_stricmp(name, "UTF-8") == 0) return CP_UTF8;
    if (_stricmp(name, "EUC-JP") == 0) return CODE_PAGE_EUC_JP;
    return 0;
}

// Bytes of the character that starts with lead, by the source's encoding;
// 0 for a byte that starts none.
size_t character_length(UINT code_page, unsigned char lead) {
    if (lead < 0x80) return 1;
    if (code_page == CP_UTF8) {
        if ((lead & 0xE0) == 0xC0) return 2;
        if ((lead & 0xF0) == 0xE0) return 3;
        if ((lead & 0xF8) == 0xF0) return 4;
        return 0;
    }
    if (lead == 0x8F) return 3;  // JIS X 0212
    if (lead == 0x8E || lead >= 0xA1) return 2;
    return 0;
}

// Code page 20932 writes a JIS X 0212 character as two bytes, the second
// with its high bit clear; EUC-JP writes 0x8F and both bytes with it set.
int euc_from_code_page(char *bytes, int n) {
    auto *b = reinterpret_cast<unsigned char *>(bytes);
    if (n != 2 || b[0] < 0xA1 || b[1] < 0x21 || b[1] > 0x7E) return n;
    b[2] = static_cast<unsigned char>(b[1] | 0x80);
    b[1] = b[0];
    b[0] = 0x8F;
    return 3;
}

int code_page_from_euc(const char *in, size_t n, char *out) {
    if (n == 3) {
        out[0] = in[1];
        out[1] = static_cast<char>(in[2] & 0x7F);
        return 2;
    }
    memcpy(out, in, n);
    return static_cast<int>(n);
}

}  // namespace

struct iconv_windows {
    UINT to;
    UINT from;
};

iconv_t iconv_open(const char *to_code, const char *from_code) {
    UINT to = code_page_of(to_code), from = code_page_of(from_code);
    if (to == 0 || from == 0) {
        errno = EINVAL;
        return reinterpret_cast<iconv_t>(-1);
    }
    return new iconv_windows{to, from};
}

int iconv_close(iconv_t cd) {
    delete cd;
    return 0;
}

// One character at a time, so that a failure leaves the pointers exactly at
// the character that failed.
size_t iconv(iconv_t cd, char **in, size_t *in_left, char **out, size_t *out_left) {
    if (in == nullptr || *in == nullptr) return 0;  // no shift state to reset
    while (*in_left > 0) {
        size_t n = character_length(cd->from, static_cast<unsigned char>(**in));
        if (n == 0) {
            errno = EILSEQ;
            return static_cast<size_t>(-1);
        }
        if (n > *in_left) {
            errno = EINVAL;
            return static_cast<size_t>(-1);
        }
        char source[4];
        int m = cd->from == CODE_PAGE_EUC_JP ? code_page_from_euc(*in, n, source)
                                             : (memcpy(source, *in, n), static_cast<int>(n));
        wchar_t wide[2];
        int w = MultiByteToWideChar(cd->from, MB_ERR_INVALID_CHARS, source, m, wide, 2);
        char bytes[8];
        BOOL lacked = FALSE;
        int b = w <= 0 ? 0
                       : WideCharToMultiByte(cd->to, 0, wide, w, bytes, 4, nullptr,
                                             cd->to == CP_UTF8 ? nullptr : &lacked);
        if (cd->to == CODE_PAGE_EUC_JP && b > 0) b = euc_from_code_page(bytes, b);
        if (b <= 0 || lacked) {
            errno = EILSEQ;
            return static_cast<size_t>(-1);
        }
        if (static_cast<size_t>(b) > *out_left) {
            errno = E2BIG;
            return static_cast<size_t>(-1);
        }
        memcpy(*out, bytes, static_cast<size_t>(b));
        *out += b;
        *out_left -= static_cast<size_t>(b);
        *in += n;
        *in_left -= n;
    }
    return 0;
}
