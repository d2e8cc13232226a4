/* qv2omg.h -- the data-access library for Omega Downloader databases.
 *
 * One public header, C linkage. Every record is passed by address in the exact
 * byte layout below (packed, little-endian, fixed-width single-byte texts ending at
 * the first NUL). The caller zero-fills a record before its first use.
 *
 * Every function checks its FileContext on entry: a zeroed, closed, stale or forged
 * context gets the failure result of its function and nothing is read or written
 * through it. Several contexts may be open at the same time.
 */
#ifndef QV2OMG_H
#define QV2OMG_H

#include <stdint.h>

#if defined(_WIN32)
#  define QV2OMG_CALL __stdcall
#  if defined(QV2OMG_BUILDING)
     /* qv2omg.def names the exports: undecorated, and nothing else. */
#    define QV2OMG_API
#  else
#    define QV2OMG_API __declspec(dllimport)
#  endif
#else
#  define QV2OMG_CALL
#  if defined(QV2OMG_BUILDING)
#    define QV2OMG_API __attribute__((visibility("default")))
#  else
#    define QV2OMG_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)

/* Opaque handle of one open header or data file. Zero-fill it, give it to an open
 * function, then give it unchanged to the matching read and close functions. */
typedef struct FileContext {
    int16_t tag;
    char opaque[100];
} FileContext;

typedef struct SecurityRecord {
    char reserved0[1];
    char reserved1[2];
    char description[31];
    char symbol[16];
    int16_t category;       /* 0 future ... 14 composites */
    int16_t period;         /* 0 daily, 1 weekly, 2 monthly */
    int16_t reserved54;
    char reserved56[11];
    char pad67[1];
    int16_t reserved68;
    char reserved70[11];
    char pad81[1];
    int16_t reserved82;
    char reserved84[7];
    char reserved91[81];
} SecurityRecord;

typedef struct OmegaDate {
    int32_t month;          /* 1 to 12 */
    int32_t day;            /* 1 to 31 */
    int32_t year;           /* counted from 1900: 98 = 1998, 100 = 2000 */
} OmegaDate;

typedef struct DateRange {
    int16_t available;      /* non-zero: the data can be read now */
    char pad2[2];
    OmegaDate first;
    OmegaDate last;
    char reserved28[81];
} DateRange;

typedef struct PriceRecord {
    OmegaDate date;
    float open;
    float high;
    float low;
    float close;
    int32_t volume;
    int32_t openInterest;
    char reserved36[8];
    char reserved44[43];
} PriceRecord;

#pragma pack(pop)

/* A damaged data file. QV2ORDM_ReadData reads on in file order past a record whose date is
 * no calendar date or not after the one before, and past a file size that disagrees with
 * its record count, and tells of it in `reserved36` of the record it fills: byte 0 holds
 * the QV2OMG_DAMAGE_ flags of what it has met so far (0 for a sound file), bytes 4 to 7
 * the number of the first record out of order, counted from 1 in file order, as an int32
 * (0 when none is). The call that returns 0 at the end of the data writes these 8 bytes,
 * and nothing else of the record, when the file is damaged: damage met after the last
 * record delivered is told there. */
#define QV2OMG_DAMAGE_ORDER 0x01
#define QV2OMG_DAMAGE_SIZE 0x02

/* A price at or above this value is missing (float bits 0x7F7FFFEE). */
#define QV2OMG_MISSING_PRICE 3.40282E+38f

/* Whether a price is missing: at or above the marker, or one that does not compare. */
static inline int QV2OMG_IsMissingPrice(float value)
{
    return !(value < QV2OMG_MISSING_PRICE);
}

/* Library version, as major * 100 + minor. Also tells a caller that the library loads. */
QV2OMG_API int32_t QV2OMG_CALL QV2ORDM_GetVersion(void);

/* Prepare the library for use; 0. Closes nothing. */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_Initialize(void);

/* Close every context still open; 0. */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_Uninitialize(void);

/* Open the header file of `directory`. Returns the number of securities (> 0), or
 * 0 or less when there is no valid header file (the context is then left closed). */
QV2OMG_API int32_t QV2OMG_CALL QV2ORDM_OpenHeaderFile(const char *directory, FileContext *context);

/* Fill `record` with entry `index` (0 to count - 1) of an open header file.
 * 0 on success; non-zero for a bad context, an index out of range or a read failure
 * (the record is then zero-filled). */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_ReadHeader(FileContext *context, int32_t index, SecurityRecord *record);

/* Close an open header file; 0, or non-zero for a context that is not open. */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_CloseHeaderFile(FileContext *context);

/* Find `symbol` (compared up to its NUL, ignoring ASCII letter case) in the header
 * file of `directory`. 0 = found and `record` filled; non-zero = no such security. */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_SearchSecurity(const char *directory, const char *symbol, SecurityRecord *record);

/* The range of dates held for `symbol`. Status 0 with `available` non-zero and both
 * dates when its data file is readable and holds at least one record (when its first or
 * last record is damaged, the earliest and latest calendar dates it holds); status 0 with
 * `available` 0 when the security exists but its data are missing, unreadable or empty;
 * non-zero status when the symbol is unknown. */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_GetDateRange(const char *directory, const char *symbol, DateRange *range);

/* Open the data of `symbol` restricted to first..last, both ends included.
 * 0 on success (possibly with no record in the range); non-zero when the security is
 * unknown or its data file cannot be opened (the context is then left closed). */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_OpenDataFile(const char *directory, const char *symbol,
                                                    const OmegaDate *first, const OmegaDate *last,
                                                    FileContext *context);

/* Deliver the next record in file order, which is date order in a sound file (see
 * QV2OMG_DAMAGE_ORDER for a damaged one). Returns the number of records delivered:
 * 1, or 0 at the end of the data, for a bad context or when `wanted` is not positive. */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_ReadData(FileContext *context, PriceRecord *record, int32_t wanted);

/* Close an open data file; 0, or non-zero for a context that is not open. */
QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_CloseDataFile(FileContext *context);

/* Pointer types for callers that load the library at run time. */
typedef int32_t (QV2OMG_CALL *QV2ORDM_GetVersion_t)(void);
typedef int16_t (QV2OMG_CALL *QV2ORDM_Initialize_t)(void);
typedef int16_t (QV2OMG_CALL *QV2ORDM_Uninitialize_t)(void);
typedef int32_t (QV2OMG_CALL *QV2ORDM_OpenHeaderFile_t)(const char *, FileContext *);
typedef int16_t (QV2OMG_CALL *QV2ORDM_ReadHeader_t)(FileContext *, int32_t, SecurityRecord *);
typedef int16_t (QV2OMG_CALL *QV2ORDM_CloseHeaderFile_t)(FileContext *);
typedef int16_t (QV2OMG_CALL *QV2ORDM_SearchSecurity_t)(const char *, const char *, SecurityRecord *);
typedef int16_t (QV2OMG_CALL *QV2ORDM_GetDateRange_t)(const char *, const char *, DateRange *);
typedef int16_t (QV2OMG_CALL *QV2ORDM_OpenDataFile_t)(const char *, const char *, const OmegaDate *,
                                                      const OmegaDate *, FileContext *);
typedef int16_t (QV2OMG_CALL *QV2ORDM_ReadData_t)(FileContext *, PriceRecord *, int32_t);
typedef int16_t (QV2OMG_CALL *QV2ORDM_CloseDataFile_t)(FileContext *);

#ifdef __cplusplus
} /* extern "C" */

#include <cstddef>
static_assert(sizeof(FileContext) == 102);
static_assert(offsetof(FileContext, opaque) == 2);
static_assert(sizeof(SecurityRecord) == 172);
static_assert(offsetof(SecurityRecord, reserved1) == 1);
static_assert(offsetof(SecurityRecord, description) == 3);
static_assert(offsetof(SecurityRecord, symbol) == 34);
static_assert(offsetof(SecurityRecord, category) == 50);
static_assert(offsetof(SecurityRecord, period) == 52);
static_assert(offsetof(SecurityRecord, reserved54) == 54);
static_assert(offsetof(SecurityRecord, reserved56) == 56);
static_assert(offsetof(SecurityRecord, pad67) == 67);
static_assert(offsetof(SecurityRecord, reserved68) == 68);
static_assert(offsetof(SecurityRecord, reserved70) == 70);
static_assert(offsetof(SecurityRecord, pad81) == 81);
static_assert(offsetof(SecurityRecord, reserved82) == 82);
static_assert(offsetof(SecurityRecord, reserved84) == 84);
static_assert(offsetof(SecurityRecord, reserved91) == 91);
static_assert(sizeof(OmegaDate) == 12);
static_assert(offsetof(OmegaDate, day) == 4);
static_assert(offsetof(OmegaDate, year) == 8);
static_assert(sizeof(DateRange) == 109);
static_assert(offsetof(DateRange, first) == 4);
static_assert(offsetof(DateRange, last) == 16);
static_assert(offsetof(DateRange, reserved28) == 28);
static_assert(sizeof(PriceRecord) == 87);
static_assert(offsetof(PriceRecord, open) == 12);
static_assert(offsetof(PriceRecord, high) == 16);
static_assert(offsetof(PriceRecord, low) == 20);
static_assert(offsetof(PriceRecord, close) == 24);
static_assert(offsetof(PriceRecord, volume) == 28);
static_assert(offsetof(PriceRecord, openInterest) == 32);
static_assert(offsetof(PriceRecord, reserved36) == 36);
static_assert(offsetof(PriceRecord, reserved44) == 44);
#endif

#endif /* QV2OMG_H */
