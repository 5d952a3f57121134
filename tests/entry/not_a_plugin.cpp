// A loadable library that is not a VST 3 module: it exports no GetPluginFactory.
#if defined(_WIN32)
extern "C" __declspec(dllexport) int korvalestNotAPlugin()
#else
extern "C" __attribute__((visibility("default"))) int korvalestNotAPlugin()
#endif
{
    return 42;
}
