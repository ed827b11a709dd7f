/* The cipher library: enciphers and deciphers whole files with Blowfish-CBC under a text key,
 * optionally compressed and with a CRC-32 of the plain data. The file format is described in
 * docs/cipher-format.md.
 *
 * The settings are process-wide and used by one caller at a time: a caller sets them all,
 * in the order below, before each file operation. */
#pragma once

#include <stdint.h>

#if defined(__GNUC__)
#define BF_API __attribute__((visibility("default")))
#else
#define BF_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the buffer that BF_GetErrorString fills. */
#define BF_ERROR_TEXT_SIZE 512
/* Longest key in characters; longer keys are cut. */
#define BF_MAX_KEY_LENGTH 56

/* The library's version as four numbers. */
BF_API void BF_GetVersion(int* major, int* minor, int* release, int* build);

/* Appends the text of every failure to the file at path; null: no log file. */
BF_API void BF_SetErrorLogFile(const char* path);

/* The key text, NUL-terminated; only its first BF_MAX_KEY_LENGTH characters count. */
BF_API void BF_SetBlowfishKey(const char* key);

/* 1: encipher with a CRC-32 of the plain data, and check it when deciphering. */
BF_API void BF_SetCrcChecker(int on);

/* 1: compress before enciphering. Deciphering follows what the file says. */
BF_API void BF_SetCompression(int on);

/* Prepares the key set by BF_SetBlowfishKey; 0 when it cannot be used (empty or weak). */
BF_API int BF_InitializeKey(void);

/* Writes the enciphered (deciphered) source to destination. Non-zero when the destination
 * was written completely; on failure the destination is removed, *error holds the error
 * number (listed in docs/cipher-format.md) and BF_GetErrorString gives its text. */
BF_API int BF_Encipher_File(const char* source, const char* destination, int32_t* error);
BF_API int BF_Decipher_File(const char* source, const char* destination, int32_t* error);

/* Copies the text of the last failure, NUL-terminated, to buffer (BF_ERROR_TEXT_SIZE bytes). */
BF_API void BF_GetErrorString(char* buffer);

#ifdef __cplusplus
}
#endif
