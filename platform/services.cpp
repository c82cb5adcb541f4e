#include "services.h"

#include "clock.h"
#include "dialogs.h"

namespace platform {

Services systemServices()
{
    static SystemDialogs dialogs;
    static SystemClock clock;
    return {&dialogs, &clock};
}

} // namespace platform
