#include "services.h"

#include "clock.h"
#include "dialogs.h"
#include "folders.h"

namespace platform {

Services systemServices()
{
    static SystemDialogs dialogs;
    static SystemClock clock;
    return {&dialogs, &clock, programFolder()};
}

} // namespace platform
