#include "osfile.h"

namespace notes {

namespace {

FaultInjector &faultInjector()
{
    static FaultInjector injector;
    return injector;
}

} // namespace

void setFaultInjector(FaultInjector injector)
{
    faultInjector() = std::move(injector);
}

int detail::injectedFailure(FileCall call)
{
    const FaultInjector &injector = faultInjector();
    return injector ? injector(call) : 0;
}

} // namespace notes
