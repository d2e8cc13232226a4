// A data-access library that loads but lacks the version query, as a broken or foreign
// installation would.

#include <cstdint>

extern "C" __attribute__((visibility("default"))) int16_t QV2ORDM_Initialize(void)
{
    return 7;
}
