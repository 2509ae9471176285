/* update_client.h: a Windows program keeps itself up to date with Update.exe.
 *
 * Include it anywhere. In exactly one .c or .cpp file, define UPDATE_CLIENT_IMPLEMENTATION
 * before including it. Link with wininet, bcrypt and crypt32 (-lwininet -lbcrypt -lcrypt32),
 * all part of Windows 7 and later. C99 or C++; texts are in the ANSI code page.
 *
 *     UpdateInfo info;
 *     if (UpdateCheck("https://example.com/app/app.upd", "1.4.0", NULL, &info) == 1 &&
 *         UpdateStart(&info, "C:\\App\\Update.exe", "C:\\App", "C:\\App\\App.exe"))
 *         return 0;  // exit now: Update.exe waits for this program to end
 *
 * Define UPDATE_CLIENT_TIMEOUT_MS before the implementation to change how long a check
 * waits for a server (15000 ms for each connect, send and receive).
 */
#ifndef UPDATE_CLIENT_H
#define UPDATE_CLIENT_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct UpdateInfo {
    char version[64];          /* the descriptor's version line */
    unsigned long crc;         /* the archive's CRC-32, as the descriptor holds it */
    char archiveUrl[2084];     /* the descriptor's URL with its ".upd" ending made ".bin" */
} UpdateInfo;

/* Dotted decimal versions: negative when a is older than b, 0 when equal, positive when
   newer. Missing parts count as 0 ("1.2" equals "1.2.0.0"); "1.10" is newer than "1.9";
   leading zeros do not count ("1.02" equals "1.2"). A text that is not dotted decimal
   (empty, a space, a letter, an empty part) is older than every version. */
int UpdateCompareVersions(const char *a, const char *b);

/* Fetches and parses the descriptor. 1: a newer version is there (info filled); 0: not
   newer (info filled too); -1: failure (network, HTTP status other than 200, malformed
   descriptor, or a signature that does not verify when publicKeyPem is not NULL: then
   "<descriptorUrl>.sig" must verify). The URL starts with http:// or https:// and ends
   in ".upd"; currentVersion must be dotted decimal. */
int UpdateCheck(const char *descriptorUrl, const char *currentVersion,
                const char *publicKeyPem, UpdateInfo *info);

/* Starts the updater for info: copies updaterPath to a fresh Update-XXXXXXXX.exe in the
   user's temporary folder (so that a release may replace the updater in the program's
   folder; the copy stays there, as the running updater cannot delete itself, until the
   next update removes it), and starts
   it with the four arguments (signed CRC, archive URL, installFolder with one trailing
   backslash, hostPath), the two paths made full. 1: started; the caller then exits
   promptly. 0: failure, nothing started (a folder or a host program that is not there, a
   path or URL with a double quote). */
int UpdateStart(const UpdateInfo *info, const char *updaterPath,
                const char *installFolder, const char *hostPath);

#ifdef __cplusplus
}
#endif

#endif /* UPDATE_CLIENT_H */

#if defined(UPDATE_CLIENT_IMPLEMENTATION) && !defined(UPDATE_CLIENT_IMPLEMENTED)
#define UPDATE_CLIENT_IMPLEMENTED

#include <windows.h>
#include <wininet.h>
#include <wincrypt.h>
#include <bcrypt.h>
#include <stdio.h>
#include <string.h>

#if defined(_WIN32_WINNT) && _WIN32_WINNT < 0x0601
#error "update_client.h needs _WIN32_WINNT 0x0601 (Windows 7) or later"
#endif
#ifdef _MSC_VER
#pragma comment(lib, "wininet.lib")
#pragma comment(lib, "bcrypt.lib")
#pragma comment(lib, "crypt32.lib")
#endif

#ifndef UPDATE_CLIENT_TIMEOUT_MS
#define UPDATE_CLIENT_TIMEOUT_MS 15000
#endif

#define UPDATE_CLIENT_MAX_DESCRIPTOR 65536 /* bytes; a real one holds under 80 */
#define UPDATE_CLIENT_MAX_SIGNATURE 72     /* bytes of a DER ECDSA P-256 signature */
#define UPDATE_CLIENT_MAX_PATH 1024        /* characters of a full path on the command line */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- versions ---------------------------------------------------------------------- */

/* Digits in parts separated by single dots, and nothing else: a version a publisher
   typed with a space or a "v" is refused rather than guessed at. */
static int UpdateClientIsVersion(const char *text) {
    int inPart = 0;
    if (!text) return 0;
    for (; *text; ++text) {
        if (*text >= '0' && *text <= '9') {
            inPart = 1;
        } else if (*text == '.' && inPart) {
            inPart = 0;
        } else {
            return 0;
        }
    }
    return inPart;
}

/* The part at *cursor as its significant digits (leading zeros skipped; none for 0 or a
   missing part), moving the cursor past the part and its dot. */
static const char *UpdateClientNextPart(const char **cursor, size_t *length) {
    const char *digits;
    while (**cursor == '0') ++*cursor;
    digits = *cursor;
    while (**cursor >= '0' && **cursor <= '9') ++*cursor;
    *length = (size_t)(*cursor - digits);
    if (**cursor == '.') ++*cursor;
    return digits;
}

/* Parts compare as numbers of any length: more significant digits is larger, the same
   count compares digit by digit. */
int UpdateCompareVersions(const char *a, const char *b) {
    const int validA = UpdateClientIsVersion(a), validB = UpdateClientIsVersion(b);
    if (!validA || !validB) return validA - validB;
    while (*a || *b) {
        size_t lengthA, lengthB;
        const char *partA = UpdateClientNextPart(&a, &lengthA);
        const char *partB = UpdateClientNextPart(&b, &lengthB);
        int order;
        if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
        order = memcmp(partA, partB, lengthA);
        if (order != 0) return order < 0 ? -1 : 1;
    }
    return 0;
}

/* ---- the descriptor ---------------------------------------------------------------- */

/* The CR of the CR LF that ends the line at start, or NULL. A bare LF or CR ends nothing:
   our tools write CR LF, and a descriptor whose line ends were converted on the way (a
   text-mode upload) is refused, as its signature would be. */
static const char *UpdateClientLineEnd(const char *start, const char *end) {
    const char *p;
    for (p = start; p < end; ++p) {
        if (*p == '\r' || *p == '\n')
            return (*p == '\r' && p + 1 < end && p[1] == '\n') ? p : NULL;
    }
    return NULL;
}

/* Decimal digits only (no sign, no space), at most 4294967295. */
static int UpdateClientParseCrc(const char *text, const char *end, unsigned long *crc) {
    unsigned long long value = 0;
    if (text == end) return 0;
    for (; text < end; ++text) {
        if (*text < '0' || *text > '9') return 0;
        value = value * 10 + (unsigned long long)(*text - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    *crc = (unsigned long)value;
    return 1;
}

/* Exactly "<version> CR LF <crc> CR LF", nothing before, between or after. */
static int UpdateClientParse(const char *bytes, size_t size, UpdateInfo *info) {
    const char *end = bytes + size;
    const char *versionEnd = UpdateClientLineEnd(bytes, end);
    const char *crcEnd = versionEnd ? UpdateClientLineEnd(versionEnd + 2, end) : NULL;
    const size_t versionLength = versionEnd ? (size_t)(versionEnd - bytes) : 0;
    if (!crcEnd || crcEnd + 2 != end || versionLength >= sizeof(info->version)) return 0;
    memcpy(info->version, bytes, versionLength);
    info->version[versionLength] = '\0';
    return strlen(info->version) == versionLength && UpdateClientIsVersion(info->version) &&
           UpdateClientParseCrc(versionEnd + 2, crcEnd, &info->crc);
}

static int UpdateClientStartsWith(const char *text, const char *start) {
    return _strnicmp(text, start, strlen(start)) == 0;
}

/* The archive lies beside the descriptor, under the same name with ".bin" (lower case, as
   the packers write it). Only an http:// or https:// URL ending in ".upd" has one. */
static int UpdateClientArchiveUrl(const char *descriptorUrl, char *archiveUrl, size_t capacity) {
    size_t length;
    if (!descriptorUrl) return 0;
    length = strlen(descriptorUrl);
    if (length < 4 || length >= capacity || _stricmp(descriptorUrl + length - 4, ".upd") != 0 ||
        !(UpdateClientStartsWith(descriptorUrl, "http://") ||
          UpdateClientStartsWith(descriptorUrl, "https://")))
        return 0;
    memcpy(archiveUrl, descriptorUrl, length - 4);
    memcpy(archiveUrl + length - 4, ".bin", 5);
    return 1;
}

/* ---- fetching ---------------------------------------------------------------------- */

/* The body of an answered request, into buffer (capacity + 1 bytes, the one more to see a
   larger body): its size, or -1 for a status other than 200 (an error page is no
   descriptor), a body over capacity, one shorter than announced, a failed read, or a
   transfer that takes longer than twice the timeout. */
static long UpdateClientReadBody(HINTERNET request, char *buffer, DWORD capacity) {
    const DWORD start = GetTickCount();
    DWORD status = 0, announced = 0, field = sizeof(status), received = 0, got = 0;
    BOOL hasLength;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &field,
                        NULL) ||
        status != 200)
        return -1;
    field = sizeof(announced);
    hasLength = HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                               &announced, &field, NULL);
    if (hasLength && announced > capacity) return -1;
    do {
        if (!InternetReadFile(request, buffer + received, capacity + 1 - received, &got)) return -1;
        received += got;
        if (received > capacity || GetTickCount() - start > 2 * (DWORD)UPDATE_CLIENT_TIMEOUT_MS)
            return -1;
    } while (got > 0);
    if (hasLength && received != announced) return -1;
    return (long)received;
}

/* WinInet waits long or forever by default: without these, a server that accepts and then
   says nothing would hold the program for minutes. */
static void UpdateClientSetTimeouts(HINTERNET handle) {
    DWORD timeout = UPDATE_CLIENT_TIMEOUT_MS, retries = 1;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof(retries));
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
}

/* Every byte comes from the server: WinInet otherwise answers a repeated URL from its
   cache, and a stale descriptor would hide a release. No cookies, and never a dialog. The
   time-outs are set on the request itself too: Wine does not pass the session's receive
   time-out on to a request. */
static long UpdateClientRequest(HINTERNET connection, const char *object, int secure,
                                char *buffer, DWORD capacity) {
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                        INTERNET_FLAG_NO_UI | (secure ? INTERNET_FLAG_SECURE : 0);
    long size = -1;
    HINTERNET request = HttpOpenRequestA(connection, "GET", object, NULL, NULL, NULL, flags, 0);
    if (!request) return -1;
    UpdateClientSetTimeouts(request);
    if (HttpSendRequestA(request, NULL, 0, NULL, 0))
        size = UpdateClientReadBody(request, buffer, capacity);
    InternetCloseHandle(request);
    return size;
}

/* The URL taken apart: an HTTP connection to its host and port, then a request for its
   path and query. */
static long UpdateClientFetchWith(HINTERNET session, const char *url, char *buffer,
                                  DWORD capacity) {
    char host[256], object[2100];
    URL_COMPONENTSA parts;
    HINTERNET connection;
    long size;
    memset(&parts, 0, sizeof(parts));
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof(host);
    parts.lpszUrlPath = object;
    parts.dwUrlPathLength = sizeof(object);
    if (!InternetCrackUrlA(url, 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return -1;
    connection = InternetConnectA(session, host, parts.nPort, NULL, NULL, INTERNET_SERVICE_HTTP,
                                  0, 0);
    if (!connection) return -1;
    size = UpdateClientRequest(connection, object, parts.nScheme == INTERNET_SCHEME_HTTPS,
                               buffer, capacity);
    InternetCloseHandle(connection);
    return size;
}

static long UpdateClientFetch(const char *url, char *buffer, DWORD capacity) {
    long size;
    HINTERNET session = InternetOpenA("VELMOR", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    if (!session) return -1;
    UpdateClientSetTimeouts(session);
    size = UpdateClientFetchWith(session, url, buffer, capacity);
    InternetCloseHandle(session);
    return size;
}

/* ---- signatures -------------------------------------------------------------------- */

static int UpdateClientHashWith(BCRYPT_ALG_HANDLE algorithm, const char *data, size_t size,
                                UCHAR digest[32]) {
    BCRYPT_HASH_HANDLE hash = NULL;
    int ok;
    if (size > 0xFFFFFFFFu || BCryptCreateHash(algorithm, &hash, NULL, 0, NULL, 0, 0) != 0)
        return 0;
    ok = BCryptHashData(hash, (PUCHAR)data, (ULONG)size, 0) == 0 &&
         BCryptFinishHash(hash, digest, 32, 0) == 0;
    BCryptDestroyHash(hash);
    return ok;
}

static int UpdateClientSha256(const char *data, size_t size, UCHAR digest[32]) {
    BCRYPT_ALG_HANDLE algorithm = NULL;
    int ok;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, NULL, 0) != 0) return 0;
    ok = UpdateClientHashWith(algorithm, data, size, digest);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok;
}

/* An EC public key on P-256: the curve's OID as parameters and an uncompressed point. */
static int UpdateClientIsP256(const CERT_PUBLIC_KEY_INFO *info) {
    static const BYTE curve[] = {0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};
    return info->Algorithm.pszObjId &&
           strcmp(info->Algorithm.pszObjId, szOID_ECC_PUBLIC_KEY) == 0 &&
           info->Algorithm.Parameters.cbData == sizeof(curve) &&
           memcmp(info->Algorithm.Parameters.pbData, curve, sizeof(curve)) == 0 &&
           info->PublicKey.cbData == 65 && info->PublicKey.pbData[0] == 0x04;
}

/* A CNG key from the PEM text of a SubjectPublicKeyInfo; 0 for anything else. */
static int UpdateClientImportKey(const char *pem, BCRYPT_KEY_HANDLE *key) {
    BYTE der[256];
    DWORD derSize = sizeof(der), infoSize = 0;
    CERT_PUBLIC_KEY_INFO *info = NULL;
    int ok = 0;
    if (!CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, der, &derSize, NULL, NULL) ||
        !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der, derSize,
                             CRYPT_DECODE_ALLOC_FLAG, NULL, &info, &infoSize))
        return 0;
    if (UpdateClientIsP256(info))
        ok = CryptImportPublicKeyInfoEx2(X509_ASN_ENCODING, info, 0, NULL, key) != FALSE;
    LocalFree(info);
    return ok;
}

/* crypt32 gives integers little-endian and without their high zero bytes; CNG wants each
   half of the signature big-endian in exactly 32 bytes. */
static int UpdateClientHalf(const CRYPT_UINT_BLOB *value, UCHAR half[32]) {
    DWORD length = value->cbData, i;
    while (length > 0 && value->pbData[length - 1] == 0) --length;
    if (length > 32) return 0;
    memset(half, 0, 32);
    for (i = 0; i < length; ++i) half[31 - i] = value->pbData[i];
    return 1;
}

/* The DER signature (SEQUENCE of r and s) as the 64 bytes r || s. The sequence must fill
   the bytes exactly: nothing may follow a signature. */
static int UpdateClientSignatureBlob(const char *der, size_t size, UCHAR blob[64]) {
    CERT_ECC_SIGNATURE *signature = NULL;
    DWORD signatureSize = 0;
    int ok;
    if (size < 8 || size > UPDATE_CLIENT_MAX_SIGNATURE || der[0] != 0x30 ||
        (size_t)(unsigned char)der[1] != size - 2 ||
        !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ECC_SIGNATURE, (const BYTE *)der,
                             (DWORD)size, CRYPT_DECODE_ALLOC_FLAG, NULL, &signature,
                             &signatureSize))
        return 0;
    ok = UpdateClientHalf(&signature->r, blob) && UpdateClientHalf(&signature->s, blob + 32);
    LocalFree(signature);
    return ok;
}

/* 1 when signature, an ECDSA P-256 signature over the SHA-256 of data, verifies with the
   key in publicKeyPem. */
static int UpdateClientVerify(const char *publicKeyPem, const char *data, size_t size,
                              const char *signature, size_t signatureSize) {
    UCHAR digest[32], blob[64];
    BCRYPT_KEY_HANDLE key = NULL;
    int ok;
    if (!UpdateClientSha256(data, size, digest) ||
        !UpdateClientSignatureBlob(signature, signatureSize, blob) ||
        !UpdateClientImportKey(publicKeyPem, &key))
        return 0;
    ok = BCryptVerifySignature(key, NULL, digest, sizeof(digest), blob, sizeof(blob), 0) == 0;
    BCryptDestroyKey(key);
    return ok;
}

/* The descriptor's bytes verify against "<descriptorUrl>.sig". */
static int UpdateClientSigned(const char *descriptorUrl, const char *publicKeyPem,
                              const char *bytes, size_t size) {
    char url[sizeof(((UpdateInfo *)0)->archiveUrl) + 4];
    char signature[UPDATE_CLIENT_MAX_SIGNATURE + 1];
    long signatureSize;
    const size_t length = strlen(descriptorUrl);
    if (length + 5 > sizeof(url)) return 0;
    memcpy(url, descriptorUrl, length);
    memcpy(url + length, ".sig", 5);
    signatureSize = UpdateClientFetch(url, signature, UPDATE_CLIENT_MAX_SIGNATURE);
    return signatureSize > 0 &&
           UpdateClientVerify(publicKeyPem, bytes, size, signature, (size_t)signatureSize);
}

/* The signature is checked before a byte of the descriptor is read as data. */
int UpdateCheck(const char *descriptorUrl, const char *currentVersion,
                const char *publicKeyPem, UpdateInfo *info) {
    char *bytes;
    long size;
    int result = -1;
    if (!info) return -1;
    memset(info, 0, sizeof(*info));
    if (!UpdateClientIsVersion(currentVersion) ||
        !UpdateClientArchiveUrl(descriptorUrl, info->archiveUrl, sizeof(info->archiveUrl)))
        return -1;
    bytes = (char *)HeapAlloc(GetProcessHeap(), 0, UPDATE_CLIENT_MAX_DESCRIPTOR + 1);
    if (!bytes) return -1;
    size = UpdateClientFetch(descriptorUrl, bytes, UPDATE_CLIENT_MAX_DESCRIPTOR);
    if (size >= 0 &&
        (!publicKeyPem || UpdateClientSigned(descriptorUrl, publicKeyPem, bytes, (size_t)size)) &&
        UpdateClientParse(bytes, (size_t)size, info))
        result = UpdateCompareVersions(info->version, currentVersion) > 0;
    HeapFree(GetProcessHeap(), 0, bytes);
    if (result < 0) memset(info, 0, sizeof(*info));
    return result;
}

/* ---- starting the updater ---------------------------------------------------------- */

static int UpdateClientHasQuote(const char *text) { return strchr(text, '"') != NULL; }

/* The full form of an existing folder or file (relative to the current folder, as the
   caller meant it): the updater compares the host's path with the full paths of running
   programs. A folder ends in exactly one backslash. A path that names nothing fails here
   rather than in the updater, after the program has gone. */
static int UpdateClientFullPath(const char *path, int isFolder, char full[UPDATE_CLIENT_MAX_PATH]) {
    DWORD length, attributes;
    if (!path || !*path || UpdateClientHasQuote(path)) return 0;
    length = GetFullPathNameA(path, UPDATE_CLIENT_MAX_PATH, full, NULL);
    if (length == 0 || length >= UPDATE_CLIENT_MAX_PATH - 1) return 0;
    attributes = GetFileAttributesA(full);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY) != !isFolder)
        return 0;
    if (!isFolder) return 1;
    while (length > 0 && (full[length - 1] == '\\' || full[length - 1] == '/')) --length;
    if (length == 0) return 0;
    full[length] = '\\';
    full[length + 1] = '\0';
    return 1;
}

/* Copies left by earlier updates go first: a copy cannot delete itself once it has run, and
   one still running refuses the deletion. */
static void UpdateClientRemoveOldCopies(const char *folder) {
    char pattern[MAX_PATH], path[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE find;
    snprintf(pattern, MAX_PATH, "%sUpdate-????????.exe", folder);
    find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (snprintf(path, MAX_PATH, "%s%s", folder, found.cFileName) < MAX_PATH)
            DeleteFileA(path);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

/* A fresh "Update-XXXXXXXX.exe" in the user's temporary folder; the copy never replaces a
   file that is there already. */
static int UpdateClientCopyUpdater(const char *updaterPath, char copy[MAX_PATH]) {
    const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    char folder[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    DWORD attempt;
    if (length == 0 || length + 20 > MAX_PATH) return 0;
    UpdateClientRemoveOldCopies(folder);
    for (attempt = 0; attempt < 100; ++attempt) {
        snprintf(copy, MAX_PATH, "%sUpdate-%08lX.exe", folder, (unsigned long)(seed + attempt));
        if (CopyFileA(updaterPath, copy, TRUE)) return 1;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    }
    return 0;
}

/* Handles stay with this program; the updater runs in its current folder, which it passes
   on to the program it restarts. */
static int UpdateClientRun(const char *program, char *commandLine) {
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(program, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

/* The updater reads its first argument as a signed 32-bit number: a CRC of 2^31 or more
   goes as that value minus 2^32. A single backslash before a closing quote stays a
   backslash for it, so the folder is written as it is. */
int UpdateStart(const UpdateInfo *info, const char *updaterPath,
                const char *installFolder, const char *hostPath) {
    char folder[UPDATE_CLIENT_MAX_PATH], host[UPDATE_CLIENT_MAX_PATH], copy[MAX_PATH];
    char commandLine[MAX_PATH + sizeof(info->archiveUrl) + 2 * UPDATE_CLIENT_MAX_PATH + 32];
    unsigned long crc;
    long signedCrc;
    int length;
    if (!info || !updaterPath || !memchr(info->archiveUrl, '\0', sizeof(info->archiveUrl)) ||
        !info->archiveUrl[0] || UpdateClientHasQuote(info->archiveUrl) ||
        !UpdateClientFullPath(installFolder, 1, folder) || !UpdateClientFullPath(hostPath, 0, host))
        return 0;
    crc = info->crc & 0xFFFFFFFFul;
    signedCrc = crc >= 0x80000000ul ? (long)(crc - 0x80000000ul) - 0x7FFFFFFFL - 1 : (long)crc;
    if (!UpdateClientCopyUpdater(updaterPath, copy)) return 0;
    length = snprintf(commandLine, sizeof(commandLine), "\"%s\" %ld \"%s\" \"%s\" \"%s\"", copy,
                      signedCrc, info->archiveUrl, folder, host);
    if (length > 0 && (size_t)length < sizeof(commandLine) && UpdateClientRun(copy, commandLine))
        return 1;
    DeleteFileA(copy);
    return 0;
}

#ifdef __cplusplus
}
#endif

#endif /* UPDATE_CLIENT_IMPLEMENTATION */
