/* The data-access library as a foreign program uses it. library_load_test LIBRARY DATABASES:
 * DATABASES holds "plain" and "quote’euro€", each with ABC and XYZW from prices.csv. */

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

/* The library's functions, each looked up by its undecorated name. */
#define FUNCTIONS(X)                                                                                  \
    X(GetVersion) X(Initialize) X(Uninitialize) X(OpenHeaderFile) X(ReadHeader) X(CloseHeaderFile)    \
    X(SearchSecurity) X(GetDateRange) X(OpenDataFile) X(ReadData) X(CloseDataFile)

#define DECLARE(name) QV2ORDM_##name##_t name;
static struct {
    FUNCTIONS(DECLARE)
} lib;

#define FIND(name)                                                                   \
    lib.name = (QV2ORDM_##name##_t)Find(library, "QV2ORDM_" #name);                  \
    if (!lib.name) {                                                                 \
        fprintf(stderr, "library_load_test: QV2ORDM_%s is not exported\n", #name);   \
        return 0;                                                                    \
    }

static int FindAll(Library library)
{
    FUNCTIONS(FIND)
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
    FileContext context;
    SecurityRecord record;
    DateRange range;
    PriceRecord price;
    OmegaDate first = {1, 1, 90}, last = {12, 31, 130};

    memset(&context, 0, sizeof context);
    CHECK(lib.OpenHeaderFile(folder, &context) == 2);
    CHECK(lib.ReadHeader(&context, 0, &record) == 0 && strcmp(record.symbol, "ABC") == 0
          && strcmp(record.description, "Abc Test Mills") == 0 && record.category == 2 && record.period == 0);
    CHECK(lib.CloseHeaderFile(&context) == 0);
    CHECK(lib.SearchSecurity(folder, "xyzw", &record) == 0 && strcmp(record.symbol, "XYZW") == 0 && record.period == 1);
    CHECK(lib.GetDateRange(folder, "ABC", &range) == 0 && range.available && range.first.year == 98
          && range.first.month == 3 && range.first.day == 5 && range.last.day == 9);

    /* Value for value, the missing high of the second day included. */
    CHECK(lib.OpenDataFile(folder, "ABC", &first, &last, &context) == 0);
    CHECK(lib.ReadData(&context, &price, 1) == 1 && price.date.day == 5 && price.open == 101.25f
          && price.high == 102.5f && price.low == 100.75f && price.close == 102.0f && price.volume == 12500
          && price.openInterest == 3400);
    CHECK(lib.ReadData(&context, &price, 1) == 1 && price.date.day == 6 && !(price.high < QV2OMG_MISSING_PRICE)
          && price.low == 101.0f);
    CHECK(lib.ReadData(&context, &price, 1) == 1 && price.date.day == 9 && price.close == 103.0f);
    CHECK(lib.CloseDataFile(&context) == 0);
}

int main(int argc, char **argv)
{
    char folder[1024];
    Library library;
    library = argc == 3 ? LoadByName(argv[1]) : NULL;
    if (!library) {
        fprintf(stderr, "usage: library_load_test LIBRARY DATABASES (cannot load %s)\n", argc > 1 ? argv[1] : "");
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
