#include "platform/host/window/WindowHost.h"

// The entry point the editor looks up after loading the window host as a module.
extern "C" int pixelloRunWindowHost(const platform::HostOptions* options,
                                    const platform::ApplicationFactory* factory) {
    return platform::WindowHost::run(*options, *factory);
}
