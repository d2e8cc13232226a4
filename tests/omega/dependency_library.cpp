// A library that another test library needs, kept out of that library's search path.

extern "C" __attribute__((visibility("default"))) int TessaportTestDependency(void)
{
    return 1;
}
