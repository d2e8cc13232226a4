// A data-access library whose own dependency cannot be found when it is loaded.

#include <cstdint>

extern "C" int TessaportTestDependency(void);

extern "C" __attribute__((visibility("default"))) int32_t QV2ORDM_GetVersion(void)
{
    return TessaportTestDependency();
}
