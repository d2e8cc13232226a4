/* The data-access library as a foreign program uses it: loaded by file name at run time,
 * every function looked up by its undecorated name, records passed by address.
 * library_load_test LIBRARY DATABASES: DATABASES holds the folders "plain" and
 * "quote’euro€", each with ABC (daily, open interest) and XYZW (weekly) from prices.csv. */

#include <qv2omg.h>

#include <stdio.h>
#include <string.h>

typedef void (*Function)(void);

#if defined(_WIN32)
#include <windows.h>
typedef HMODULE Library;
static Library LoadByName(const char *path) { return LoadLibraryA(path); }
static Function Find(Library library, const char *name) { return (Function)GetProcAddress(library, name); }
#else
#include <dlfcn.h>
typedef void *Library;
static Library LoadByName(const char *path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static Function Find(Library library, const char *name)
{
    void *address = dlsym(library, name);
    Function function;
    memcpy(&function, &address, sizeof function);
    return function;
}
#endif

static int failures = 0;

#define CHECK(condition)                                                             \
    do {                                                                             \
        if (!(condition)) {                                                          \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                              \
        }                                                                            \
    } while (0)

static struct {
    QV2ORDM_GetVersion_t GetVersion;
    QV2ORDM_Initialize_t Initialize;
    QV2ORDM_Uninitialize_t Uninitialize;
    QV2ORDM_OpenHeaderFile_t OpenHeaderFile;
    QV2ORDM_ReadHeader_t ReadHeader;
    QV2ORDM_CloseHeaderFile_t CloseHeaderFile;
    QV2ORDM_SearchSecurity_t SearchSecurity;
    QV2ORDM_GetDateRange_t GetDateRange;
    QV2ORDM_OpenDataFile_t OpenDataFile;
    QV2ORDM_ReadData_t ReadData;
    QV2ORDM_CloseDataFile_t CloseDataFile;
} lib;

static int FindAll(Library library)
{
    Function found[11];
    static const char *const names[11] = {
        "QV2ORDM_GetVersion", "QV2ORDM_Initialize", "QV2ORDM_Uninitialize", "QV2ORDM_OpenHeaderFile",
        "QV2ORDM_ReadHeader", "QV2ORDM_CloseHeaderFile", "QV2ORDM_SearchSecurity", "QV2ORDM_GetDateRange",
        "QV2ORDM_OpenDataFile", "QV2ORDM_ReadData", "QV2ORDM_CloseDataFile",
    };
    int i;
    for (i = 0; i < 11; ++i) {
        found[i] = Find(library, names[i]);
        if (!found[i]) {
            fprintf(stderr, "library_load_test: %s is not exported\n", names[i]);
            return 0;
        }
    }
    lib.GetVersion = (QV2ORDM_GetVersion_t)found[0];
    lib.Initialize = (QV2ORDM_Initialize_t)found[1];
    lib.Uninitialize = (QV2ORDM_Uninitialize_t)found[2];
    lib.OpenHeaderFile = (QV2ORDM_OpenHeaderFile_t)found[3];
    lib.ReadHeader = (QV2ORDM_ReadHeader_t)found[4];
    lib.CloseHeaderFile = (QV2ORDM_CloseHeaderFile_t)found[5];
    lib.SearchSecurity = (QV2ORDM_SearchSecurity_t)found[6];
    lib.GetDateRange = (QV2ORDM_GetDateRange_t)found[7];
    lib.OpenDataFile = (QV2ORDM_OpenDataFile_t)found[8];
    lib.ReadData = (QV2ORDM_ReadData_t)found[9];
    lib.CloseDataFile = (QV2ORDM_CloseDataFile_t)found[10];
    return 1;
}

/* The folder named with a right single quote and a euro sign, as a program hands a path
 * to the library: in the ANSI code page on Windows, in UTF-8 elsewhere. */
static void AccentedFolder(const char *databases, char *path, size_t size)
{
#if defined(_WIN32)
    char name[64];
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"quote\u2019euro\u20AC", -1, name,
                                           (int)sizeof name, NULL, &lossy);
    if (length == 0 || lossy)
        fprintf(stderr, "library_load_test: the ANSI code page (%u) cannot spell the folder's name\n", GetACP());
    snprintf(path, size, "%s\\%s", databases, length && !lossy ? name : "?");
#else
    snprintf(path, size, "%s/quote\xE2\x80\x99" "euro\xE2\x82\xAC", databases);
#endif
}

static void CheckSecurities(const char *folder)
{
    FileContext context, zeroed;
    SecurityRecord record;
    DateRange range;
    PriceRecord price;
    OmegaDate first = {1, 1, 90}, last = {12, 31, 130};
    int32_t count;

    memset(&context, 0, sizeof context);
    memset(&zeroed, 0, sizeof zeroed);
    count = lib.OpenHeaderFile(folder, &context);
    CHECK(count == 2);
    if (count != 2) {
        fprintf(stderr, "library_load_test: %s opens with %d securities, not 2\n", folder, (int)count);
        return;
    }
    CHECK(lib.ReadHeader(&context, 0, &record) == 0 && strcmp(record.symbol, "ABC") == 0
          && strcmp(record.description, "Abc Test Mills") == 0 && record.category == 2 && record.period == 0);
    CHECK(lib.ReadHeader(&context, 1, &record) == 0 && strcmp(record.symbol, "XYZW") == 0 && record.period == 1);
    CHECK(lib.ReadHeader(&context, 2, &record) != 0 && record.symbol[0] == '\0');
    CHECK(lib.ReadHeader(&zeroed, 0, &record) != 0);
    CHECK(lib.CloseHeaderFile(&context) == 0);
    CHECK(lib.CloseHeaderFile(&context) != 0);
    CHECK(lib.ReadHeader(&context, 0, &record) != 0);

    CHECK(lib.SearchSecurity(folder, "xyzw", &record) == 0 && strcmp(record.symbol, "XYZW") == 0);
    CHECK(lib.SearchSecurity(folder, "NONE", &record) != 0);
    CHECK(lib.GetDateRange(folder, "ABC", &range) == 0 && range.available);
    CHECK(range.first.year == 98 && range.first.month == 3 && range.first.day == 5);
    CHECK(range.last.year == 98 && range.last.month == 3 && range.last.day == 9);

    /* Value for value, the missing high of the second day included. */
    CHECK(lib.OpenDataFile(folder, "ABC", &first, &last, &context) == 0);
    CHECK(lib.ReadData(&context, &price, 0) == 0);
    CHECK(lib.ReadData(&context, &price, 1) == 1);
    CHECK(price.date.day == 5 && price.open == 101.25f && price.high == 102.5f && price.low == 100.75f
          && price.close == 102.0f && price.volume == 12500 && price.openInterest == 3400);
    CHECK(lib.ReadData(&context, &price, 1) == 1);
    CHECK(price.date.day == 6 && !(price.high < QV2OMG_MISSING_PRICE) && price.low == 101.0f);
    CHECK(lib.ReadData(&context, &price, 1) == 1 && price.date.day == 9 && price.close == 103.0f);
    CHECK(lib.ReadData(&context, &price, 1) == 0);
    CHECK(lib.CloseDataFile(&context) == 0);
    CHECK(lib.CloseDataFile(&context) != 0);
    CHECK(lib.ReadData(&context, &price, 1) == 0);
}

int main(int argc, char **argv)
{
    char folder[1024];
    Library library;
    if (argc != 3) {
        fprintf(stderr, "usage: library_load_test LIBRARY DATABASES\n");
        return 2;
    }
    library = LoadByName(argv[1]);
    if (!library) {
        fprintf(stderr, "library_load_test: cannot load %s\n", argv[1]);
        return 1;
    }
    if (!FindAll(library))
        return 1;
    CHECK(lib.GetVersion() == 100);
    CHECK(lib.Initialize() == 0);

    snprintf(folder, sizeof folder, "%s/plain", argv[2]);
    CheckSecurities(folder);
    AccentedFolder(argv[2], folder, sizeof folder);
    CheckSecurities(folder);

    CHECK(lib.OpenHeaderFile(NULL, NULL) <= 0);
    CHECK(lib.Uninitialize() == 0);
    if (failures == 0)
        printf("library_load_test: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
